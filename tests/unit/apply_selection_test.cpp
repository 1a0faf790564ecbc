#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "apply/ApplySelection.h"
#include "service_log.h"
#include "store/ExeDirectory.h"
#include "store/RefreshRateXml.h"
#include "store_test_support.h"

using namespace cc;

namespace {

std::string StandInCommandLine(const std::string& directory, const char* option)
{
    return "\"" + directory + "\\NorrinGlasswayService.exe\" " + option;
}

bool HandleIsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

HANDLE Duplicate(HANDLE handle)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

// Another process's handle on refreshRate.xml for as long as it lives.
class Reader {
public:
    Reader(const std::string& path, DWORD sharing)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr))
    {}
    ~Reader() { CloseHandle(m_handle); }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Another process mapping refreshRate.xml, as web servers map the files they serve: the
// file is open without delete sharing, and the view keeps it from being cut shorter.
class MappingReader {
public:
    explicit MappingReader(const std::string& path)
        : m_reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE),
          m_mapping(CreateFileMappingA(m_reader.Handle(), nullptr, PAGE_READONLY, 0, 0, nullptr)),
          m_view(m_mapping ? MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0) : nullptr)
    {}
    ~MappingReader()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
    }
    bool IsMapped() const { return m_view != nullptr; }

private:
    Reader m_reader;
    HANDLE m_mapping;
    void* m_view;
};

// Stands between RestartService and CreateProcessA: records every launch, can check the
// state of the files at that moment, and keeps a handle of each process so that the
// test can wait for it. With `startProcesses` false it only pretends to start them.
class LaunchRecorder {
public:
    struct Launch {
        std::string commandLine;
        STARTUPINFOA startup;
        ULONGLONG tick;
    };

    explicit LaunchRecorder(bool startProcesses = true) : m_startProcesses(startProcesses) {}
    ~LaunchRecorder()
    {
        for (HANDLE process : m_running)
            CloseHandle(process);
    }

    std::vector<Launch> launches;
    LaunchFailures failures;
    std::function<void(const std::string& commandLine)> onLaunch;
    int failLaunchNumber = 0;  // 1-based; 0 lets every launch succeed

    ProcessStarter Starter()
    {
        return [this](char* commandLine, STARTUPINFOA& startup, PROCESS_INFORMATION& process) {
            for (HANDLE handle : m_returnedHandles)
                EXPECT_FALSE(HandleIsOpen(handle)) << "a handle of the previous launch is still open";
            launches.push_back({commandLine, startup, GetTickCount64()});
            if (onLaunch)
                onLaunch(commandLine);
            if (static_cast<int>(launches.size()) == failLaunchNumber)
                return false;
            if (m_startProcesses) {
                if (!RecordingStarter(failures)(commandLine, startup, process))
                    return false;
                m_running.push_back(Duplicate(process.hProcess));
            } else {
                process.hProcess = Duplicate(GetCurrentProcess());
                process.hThread = Duplicate(GetCurrentThread());
            }
            m_returnedHandles = {process.hProcess, process.hThread};
            return true;
        };
    }

    bool WaitForProcesses() const
    {
        return m_running.empty() || WaitForMultipleObjects(static_cast<DWORD>(m_running.size()), m_running.data(), TRUE,
                                                           30000) != WAIT_TIMEOUT;
    }
    bool LastHandlesClosed() const
    {
        return std::none_of(m_returnedHandles.begin(), m_returnedHandles.end(), HandleIsOpen);
    }

private:
    bool m_startProcesses;
    std::vector<HANDLE> m_running;
    std::vector<HANDLE> m_returnedHandles;
};

const std::vector<std::string> kAllCachedFiles = {"upsprop.xml", "applist.xml", "eventlist.xml"};

// Both launches at most this much closer than the 100 ms pause: clocks that tick in
// steps of 15.6 ms may round the distance down.
constexpr ULONGLONG kClockStepMs = 16;

void ExpectRestartThroughStandIn(const ToolDirectory& tool)
{
    ASSERT_TRUE(tool.InstallStandInService()) << StandInServicePath();
    tool.CreateCachedDataFiles();
    LaunchRecorder recorder;
    recorder.onLaunch = [&](const std::string& commandLine) {
        // Everything is stored before the service is first launched, and the cached
        // files are only deleted after both launches.
        EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "1") << commandLine;
        EXPECT_EQ(ReadStoredValue(tool.Path(), kAddressKey), "ups-ctrl.plant.example") << commandLine;
        EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), "25000") << commandLine;
        EXPECT_NE(ReadWholeFile(tool.DataFile("refreshRate.xml")).find(">25000<"), std::string::npos);
        EXPECT_EQ(tool.CachedDataFilesPresent(), kAllCachedFiles) << commandLine;
    };

    EXPECT_EQ(ApplySelection(tool.Path(), {"ups-ctrl.plant.example", 25000}, recorder.Starter()).outcome,
              ApplyOutcome::Applied)
        << recorder.failures.Text();

    EXPECT_TRUE(tool.CachedDataFilesPresent().empty());
    EXPECT_TRUE(recorder.LastHandlesClosed());
    ASSERT_EQ(recorder.launches.size(), 2u);
    EXPECT_GE(recorder.launches[1].tick - recorder.launches[0].tick, 100 - kClockStepMs);
    ASSERT_TRUE(recorder.WaitForProcesses());

    const std::vector<ServiceInvocation> log = ReadServiceLog(tool.Path());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].commandLine, StandInCommandLine(tool.Path(), "-k"));
    EXPECT_EQ(log[0].outcome, "stopped");
    EXPECT_EQ(log[1].commandLine, StandInCommandLine(tool.Path(), "-s"));
    EXPECT_EQ(log[1].outcome, "started");
    for (const ServiceInvocation& invocation : log) {
        EXPECT_EQ(invocation.useShowWindow, "1");
        EXPECT_EQ(invocation.showWindow, std::to_string(SW_HIDE));
    }
    EXPECT_GE(log[1].createdTicks - log[0].createdTicks, (100 - kClockStepMs) * 10000);
}

}  // namespace

TEST(ServiceCommandLine, QuotesTheExecutablePathWhateverItsLength)
{
    EXPECT_EQ(ServiceCommandLine("C:\\Program Files\\Norrin Glassway", "-k"),
              "\"C:\\Program Files\\Norrin Glassway\\NorrinGlasswayService.exe\" -k");
    const std::string longDirectory = "C:\\" + std::string(1000, 'd');
    EXPECT_EQ(ServiceCommandLine(longDirectory, "-s"), "\"" + longDirectory + "\\NorrinGlasswayService.exe\" -s");
}

TEST(ApplySelection, StopsAndStartsTheServiceHiddenThenRemovesCachedFiles)
{
    ToolDirectory tool("tool");
    ExpectRestartThroughStandIn(tool);
}

TEST(ApplySelection, DirectoryWithBlanksRunsNoOtherProgram)
{
    ToolDirectory tool("Norrin Glassway Service");
    // Unquoted, the command line would first run this program, named by the path's
    // first word.
    const std::string decoyDirectory = DirectoryOf(tool.Path());
    ASSERT_TRUE(CopyFileA(StandInServicePath().c_str(), (decoyDirectory + "\\Norrin.exe").c_str(), FALSE));

    ExpectRestartThroughStandIn(tool);

    EXPECT_FALSE(FileExists(decoyDirectory + "\\NorrinGlasswayService.log"));
}

TEST(RestartService, DirectoryBeyond260CharactersGetsWholeCommandLines)
{
    ToolDirectory tool("tool", 300);
    ASSERT_GT(tool.Path().size(), 300u);
    LaunchRecorder recorder(false);

    EXPECT_TRUE(RestartService(tool.Path(), recorder.Starter())) << recorder.failures.Text();

    ASSERT_EQ(recorder.launches.size(), 2u);
    EXPECT_EQ(recorder.launches[0].commandLine, StandInCommandLine(tool.Path(), "-k"));
    EXPECT_EQ(recorder.launches[1].commandLine, StandInCommandLine(tool.Path(), "-s"));
    for (const LaunchRecorder::Launch& launch : recorder.launches) {
        EXPECT_EQ(launch.startup.cb, sizeof(STARTUPINFOA));
        EXPECT_EQ(launch.startup.dwFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
        EXPECT_EQ(launch.startup.wShowWindow, SW_HIDE);
    }
    EXPECT_TRUE(recorder.LastHandlesClosed());
}

TEST(ApplySelection, DirectoryBeyond260CharactersIsReportedUnsavedAndNothingIsRestarted)
{
    // The platform's profile calls cannot take such a settings path, so the choice
    // cannot be stored whole: the service keeps running on what it has.
    ToolDirectory tool("tool", 300);
    tool.CreateCachedDataFiles();
    LaunchRecorder recorder(false);

    const ApplyResult result = ApplySelection(tool.Path(), {"10.20.30.40", 20000}, recorder.Starter());

    EXPECT_EQ(result.outcome, ApplyOutcome::NotSaved);
    EXPECT_EQ(result.unsavedFiles, UnsavedFiles{SettingsPathFor(tool.Path())});
    EXPECT_TRUE(recorder.launches.empty());
    EXPECT_EQ(tool.CachedDataFilesPresent(), kAllCachedFiles);
}

TEST(ApplySelection, ReaderHoldingRefreshRateXmlGetsTheNewRateOrNothingIsRestarted)
{
    ToolDirectory tool;
    const std::string path = tool.DataFile("refreshRate.xml");
    WriteWholeFile(path, "<old/>");
    {
        // As the C runtime's fopen(path, "r") and a web server serving the file hold it.
        const Reader reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.IsOpen());
        LaunchRecorder recorder(false);
        EXPECT_EQ(ApplySelection(tool.Path(), {"10.0.0.5", 25000}, recorder.Starter()).outcome, ApplyOutcome::Applied)
            << recorder.failures.Text();
        EXPECT_EQ(recorder.launches.size(), 2u);
    }
    EXPECT_NE(ReadWholeFile(path).find(">25000<"), std::string::npos);
    {
        // A reader that lets nobody write leaves nothing to be done but to say so.
        const Reader reader(path, FILE_SHARE_READ);
        ASSERT_TRUE(reader.IsOpen());
        LaunchRecorder recorder(false);
        const ApplyResult result = ApplySelection(tool.Path(), {"10.0.0.6", 45000}, recorder.Starter());
        EXPECT_EQ(result.outcome, ApplyOutcome::NotSaved);
        EXPECT_EQ(result.unsavedFiles, UnsavedFiles{path});
        EXPECT_TRUE(recorder.launches.empty());
    }
    EXPECT_NE(ReadWholeFile(path).find(">25000<"), std::string::npos);
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), std::vector<std::string>{"refreshRate.xml"});
}

TEST(ApplySelection, MappingReaderLeavesRefreshRateXmlOldOrExactlyTheNewOne)
{
    ToolDirectory reference;
    ASSERT_EQ(WriteRefreshRateXml(reference.Path(), 25000), RefreshRateXmlResult::Written);
    const std::string newContent = ReadWholeFile(reference.DataFile("refreshRate.xml"));

    // Longer than the new document, which a mapping forbids to cut, and shorter.
    for (const std::string& old : {std::string(4000, 'o'), std::string("<old/>")}) {
        SCOPED_TRACE(std::to_string(old.size()) + " old bytes");
        ToolDirectory tool;
        const std::string path = tool.DataFile("refreshRate.xml");
        WriteWholeFile(path, old);
        LaunchRecorder recorder(false);
        ApplyResult result;
        {
            const MappingReader reader(path);
            ASSERT_TRUE(reader.IsMapped());
            result = ApplySelection(tool.Path(), {"10.0.0.5", 25000}, recorder.Starter());
        }
        if (result.outcome == ApplyOutcome::Applied) {
            EXPECT_EQ(ReadWholeFile(path), newContent);
            EXPECT_EQ(recorder.launches.size(), 2u);
        } else {
            EXPECT_EQ(result.outcome, ApplyOutcome::NotSaved);
            EXPECT_EQ(result.unsavedFiles, UnsavedFiles{path});
            EXPECT_EQ(ReadWholeFile(path), old);
            EXPECT_TRUE(recorder.launches.empty());
        }
        EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), std::vector<std::string>{"refreshRate.xml"});
    }
}

TEST(ApplySelection, FailedStoresAreReportedAndNothingIsRestarted)
{
    const std::string kSettingsBefore = "[NorrinGlassway]\r\nIPAddress=127.0.0.10\r\nRefreshRate=45000\r\n";
    // Under Wine as root a read-only attribute stops neither the profile functions nor
    // the replace, so the files are made unwritable by a directory standing in their place.
    const struct {
        const char* blocked;
        bool settingsBlocked;
        bool xmlBlocked;
    } cases[] = {
        {"GlasswayConfig.ini", true, false},
        {"http\\data\\refreshRate.xml", false, true},
    };
    for (const auto& c : cases) {
        ToolDirectory tool;
        ASSERT_TRUE(tool.InstallStandInService());
        tool.CreateCachedDataFiles();
        if (!c.settingsBlocked)
            WriteWholeFile(tool.File("GlasswayConfig.ini"), kSettingsBefore);
        ASSERT_TRUE(CreateDirectoryA(tool.File(c.blocked).c_str(), nullptr)) << c.blocked;
        LaunchRecorder recorder(false);

        const ApplyResult result = ApplySelection(tool.Path(), {"10.20.30.40", 25000}, recorder.Starter());

        UnsavedFiles expected;
        if (c.settingsBlocked)
            expected.push_back(SettingsPathFor(tool.Path()));
        if (c.xmlBlocked)
            expected.push_back(RefreshRateXmlPathFor(tool.Path()));
        EXPECT_EQ(result.outcome, ApplyOutcome::NotSaved) << c.blocked;
        EXPECT_EQ(result.unsavedFiles, expected) << c.blocked;
        EXPECT_TRUE(recorder.launches.empty()) << c.blocked;
        EXPECT_EQ(tool.CachedDataFilesPresent(), kAllCachedFiles) << c.blocked;
        // Nothing of the choice is stored in the other file either.
        if (!c.settingsBlocked) {
            EXPECT_EQ(ReadWholeFile(tool.File("GlasswayConfig.ini")), kSettingsBefore) << c.blocked;
        }
        if (!c.xmlBlocked) {
            EXPECT_FALSE(FileExists(tool.DataFile("refreshRate.xml"))) << c.blocked;
        }
        const std::vector<std::string> data = ListDirectory(tool.Path() + "\\http\\data");
        EXPECT_EQ(std::count_if(data.begin(), data.end(),
                                [](const std::string& name) { return name.rfind("refreshRate.xml.", 0) == 0; }),
                  0)
            << "no temporary file left behind";
    }
}

TEST(ApplySelection, WithoutTheServiceExecutableStoresTheChoiceAndKeepsCachedFiles)
{
    ToolDirectory tool;
    tool.CreateCachedDataFiles();

    EXPECT_EQ(ApplySelection(tool.Path(), {"192.168.5.6", 30000}).outcome, ApplyOutcome::RestartFailed);

    EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "1");
    EXPECT_EQ(ReadStoredValue(tool.Path(), kAddressKey), "192.168.5.6");
    EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), "30000");
    EXPECT_NE(ReadWholeFile(tool.DataFile("refreshRate.xml")).find(">30000<"), std::string::npos);
    EXPECT_EQ(tool.CachedDataFilesPresent(), kAllCachedFiles);
    EXPECT_FALSE(FileExists(tool.File("NorrinGlasswayService.log")));
}

TEST(ApplySelection, WithoutCachedFilesStillSucceeds)
{
    ToolDirectory tool;
    ASSERT_TRUE(tool.InstallStandInService());
    LaunchRecorder recorder;

    EXPECT_EQ(ApplySelection(tool.Path(), {"10.0.0.2", 20000}, recorder.Starter()).outcome, ApplyOutcome::Applied)
        << recorder.failures.Text();

    ASSERT_TRUE(recorder.WaitForProcesses());
    EXPECT_EQ(ReadServiceLog(tool.Path()).size(), 2u);
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), std::vector<std::string>{"refreshRate.xml"});
}

TEST(ApplySelection, SecondApplyRepeatsEveryStep)
{
    ToolDirectory tool;
    ASSERT_TRUE(tool.InstallStandInService());
    tool.CreateCachedDataFiles();
    LaunchFailures failures;
    EXPECT_EQ(ApplySelection(tool.Path(), {"10.0.0.3", 40000}, RecordingStarter(failures)).outcome,
              ApplyOutcome::Applied)
        << failures.Text();
    ASSERT_EQ(WaitForServiceLog(tool.Path(), 2).size(), 2u);
    EXPECT_TRUE(tool.CachedDataFilesPresent().empty());

    // The service recreates its data and the tool is opened again.
    tool.CreateCachedDataFiles();
    DeleteFileA(tool.DataFile("refreshRate.xml").c_str());
    ClearResetFlag(SettingsPathFor(tool.Path()));
    ASSERT_EQ(ReadStoredValue(tool.Path(), kResetKey), "0");

    EXPECT_EQ(ApplySelection(tool.Path(), {"10.0.0.3", 40000}, RecordingStarter(failures)).outcome,
              ApplyOutcome::Applied)
        << failures.Text();

    const std::vector<ServiceInvocation> log = WaitForServiceLog(tool.Path(), 4);
    ASSERT_EQ(log.size(), 4u);
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i].commandLine, StandInCommandLine(tool.Path(), i % 2 == 0 ? "-k" : "-s")) << i;
    EXPECT_TRUE(tool.CachedDataFilesPresent().empty());
    EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "1");
    EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), "40000");
    EXPECT_NE(ReadWholeFile(tool.DataFile("refreshRate.xml")).find(">40000<"), std::string::npos);
}

TEST(RestartService, StartIsNotLaunchedWhenStopFailed)
{
    ToolDirectory tool;
    LaunchRecorder recorder(false);
    recorder.failLaunchNumber = 1;
    EXPECT_FALSE(RestartService(tool.Path(), recorder.Starter()));
    ASSERT_EQ(recorder.launches.size(), 1u);
    EXPECT_EQ(recorder.launches[0].commandLine, StandInCommandLine(tool.Path(), "-k"));
}

TEST(ApplySelection, FailedStartKeepsCachedFiles)
{
    ToolDirectory tool;
    tool.CreateCachedDataFiles();
    LaunchRecorder recorder(false);
    recorder.failLaunchNumber = 2;
    EXPECT_EQ(ApplySelection(tool.Path(), {"10.0.0.4", 20000}, recorder.Starter()).outcome,
              ApplyOutcome::RestartFailed);
    EXPECT_EQ(recorder.launches.size(), 2u);
    EXPECT_EQ(tool.CachedDataFilesPresent(), kAllCachedFiles);
}

TEST(DeleteCachedDataFiles, RemovesTheThreeFilesAndNothingElse)
{
    ToolDirectory tool;
    tool.CreateCachedDataFiles();
    WriteWholeFile(tool.DataFile("refreshRate.xml"), "kept");
    WriteWholeFile(tool.DataFile("other.xml"), "kept");
    DeleteFileA(tool.DataFile("applist.xml").c_str());

    DeleteCachedDataFiles(tool.Path());

    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), (std::vector<std::string>{"other.xml", "refreshRate.xml"}));
}

TEST(StandInService, StartAndStopFlipTheMarkerAndAreLogged)
{
    ToolDirectory tool;
    ASSERT_TRUE(tool.InstallStandInService());
    const auto run = [&](const char* option) {
        std::string commandLine = StandInCommandLine(tool.Path(), option);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return DWORD{9999};
        WaitForSingleObject(process.hProcess, 30000);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return exitCode;
    };
    const std::string marker = tool.File("NorrinGlasswayService.running");

    EXPECT_EQ(run("-s"), 0u);
    EXPECT_TRUE(FileExists(marker));
    EXPECT_EQ(run("-k"), 0u);
    EXPECT_FALSE(FileExists(marker));
    EXPECT_EQ(run("-x"), 2u);

    const std::vector<ServiceInvocation> log = ReadServiceLog(tool.Path());
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].outcome, "started");
    EXPECT_EQ(log[1].outcome, "stopped");
    EXPECT_EQ(log[2].outcome, "usage");
    EXPECT_EQ(log[2].commandLine, StandInCommandLine(tool.Path(), "-x"));
    EXPECT_EQ(log[0].useShowWindow, "0");
    EXPECT_LT(log[0].createdTicks, log[1].createdTicks);
}

TEST(ApplySelection, AnythingButNothingAtTheDataFolderIsAFailedStore)
{
    const struct {
        const char* what;
        const char* fileAt;  // replaces the folder; none: the folder is removed
        ApplyOutcome outcome;
    } cases[] = {
        {"a file at http\\data", "http\\data", ApplyOutcome::NotSaved},
        {"a file at http", "http", ApplyOutcome::NotSaved},
        {"no http at all", nullptr, ApplyOutcome::Applied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ToolDirectory tool;
        RemoveTree(tool.Path() + "\\http");
        if (c.fileAt) {
            MakeDirectory(DirectoryOf(tool.File(c.fileAt)));
            ASSERT_TRUE(WriteWholeFile(tool.File(c.fileAt), "not a folder"));
        }
        LaunchRecorder recorder(false);

        const ApplyResult result = ApplySelection(tool.Path(), {"10.0.0.5", 25000}, recorder.Starter());

        EXPECT_EQ(result.outcome, c.outcome);
        if (c.outcome == ApplyOutcome::NotSaved) {
            EXPECT_EQ(result.unsavedFiles, UnsavedFiles{RefreshRateXmlPathFor(tool.Path())});
            EXPECT_TRUE(recorder.launches.empty());
            EXPECT_EQ(ReadWholeFile(tool.File(c.fileAt)), "not a folder");
        } else {
            EXPECT_EQ(recorder.launches.size(), 2u);
            EXPECT_FALSE(FileExists(tool.Path() + "\\http")) << "a missing folder is not made";
        }
    }
}

TEST(ApplySelection, AddressTheSettingsFileWouldGiveBackOtherwiseIsNotStoredAtAll)
{
    const std::string before = "[NorrinGlassway]\r\nReset=0\r\nIPAddress=old\r\nRefreshRate=30000\r\n";
    for (const std::string& address :
         {std::string("\"q\""), std::string("'q'"), std::string(" ups-lobby"), std::string("ups-lobby\t"),
          std::string("ups\r\nReset=7"), std::string(255, 'n')}) {
        SCOPED_TRACE("[" + address + "]");
        ToolDirectory tool;
        WriteWholeFile(tool.File("GlasswayConfig.ini"), before);
        LaunchRecorder recorder(false);

        const ApplyResult result = ApplySelection(tool.Path(), {address, 25000}, recorder.Starter());

        EXPECT_EQ(result.outcome, ApplyOutcome::NotSaved);
        EXPECT_EQ(result.unsavedFiles, UnsavedFiles{SettingsPathFor(tool.Path())});
        EXPECT_TRUE(recorder.launches.empty());
        EXPECT_EQ(ReadWholeFile(tool.File("GlasswayConfig.ini")), before);
        EXPECT_FALSE(FileExists(tool.DataFile("refreshRate.xml")));
    }
    // A lone quote or inner blanks come back as written.
    for (const std::string& address :
         {std::string("\"q"), std::string("q'"), std::string("ups lobby"), std::string(254, 'n')}) {
        ToolDirectory tool;
        LaunchRecorder recorder(false);
        EXPECT_EQ(ApplySelection(tool.Path(), {address, 25000}, recorder.Starter()).outcome, ApplyOutcome::Applied);
        EXPECT_EQ(ReadStoredValue(tool.Path(), kAddressKey), address);
    }
}
