#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "framework/ModulePath.h"
#include "store/ExeDirectory.h"
#include "store/Numbers.h"
#include "store/RefreshRateXml.h"
#include "store/WriteSettings.h"
#include "store_test_support.h"

using namespace cc;

namespace {

std::string RefreshRateShownFor(const ToolDirectory& tool, const char* storedRefreshRate)
{
    WriteWholeFile(tool.File("GlasswayConfig.ini"),
                   std::string("[NorrinGlassway]\r\nRefreshRate=") + storedRefreshRate + "\r\n");
    return std::to_string(ReadSettings(SettingsPathFor(tool.Path())).refreshSeconds);
}

// Behaves as GetModuleFileNameA for a module at `path`: cut to the buffer, size returned.
fw::ModuleFileNameReader ModuleAt(const std::string& path, std::vector<unsigned long>& sizesAsked)
{
    return [&path, &sizesAsked](char* buffer, unsigned long size) {
        sizesAsked.push_back(size);
        if (path.size() < size) {
            std::memcpy(buffer, path.c_str(), path.size() + 1);
            return static_cast<unsigned long>(path.size());
        }
        std::memcpy(buffer, path.c_str(), size - 1);
        buffer[size - 1] = '\0';
        return size;
    };
}

}  // namespace

TEST(ExeDirectory, IsTheModulePathCutBeforeItsLastBackslash)
{
    EXPECT_EQ(DirectoryOf("D:\\Apps\\Tool\\tool.exe"), "D:\\Apps\\Tool");
    EXPECT_EQ(DirectoryOf("C:\\tool.exe"), "C:");
    EXPECT_EQ(DirectoryOf("tool.exe"), "tool.exe");

    const std::string directory = GetExeDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), '\\');
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string modulePath = module;
    EXPECT_EQ(modulePath.compare(0, directory.size() + 1, directory + "\\"), 0) << modulePath;
    EXPECT_EQ(modulePath.find('\\', directory.size() + 1), std::string::npos) << modulePath;
}

TEST(ExeDirectory, ModulePathLongerThan260CharactersIsNeverCut)
{
    for (const size_t length : {259u, 260u, 300u, 5000u, 32000u}) {
        const std::string path = "C:\\" + std::string(length - 3, 'p');
        std::vector<unsigned long> sizesAsked;
        EXPECT_EQ(fw::AfxGetModuleFileName(ModuleAt(path, sizesAsked)), path) << length;
        EXPECT_GT(sizesAsked.back(), length);
    }
    std::vector<unsigned long> sizesAsked;
    EXPECT_EQ(fw::AfxGetModuleFileName(ModuleAt("", sizesAsked)), "");
}

TEST(SettingsFile, PathIsTheFileBesideTheExecutable)
{
    EXPECT_EQ(SettingsPathFor("D:\\Apps\\Tool"), "D:\\Apps\\Tool\\GlasswayConfig.ini");
    EXPECT_EQ(SettingsPathFor(GetExeDirectory()), GetExeDirectory() + "\\GlasswayConfig.ini");
}

TEST(ClearResetFlag, WritesResetZeroAndChangesNothingElse)
{
    ToolDirectory tool;
    const std::string before =
        "[Other]\r\nReset=1\r\nIPAddress=10.0.0.9\r\n"
        "[NorrinGlassway]\r\nIPAddress=ups-controller\r\nReset=1\r\nRefreshRate=30000\r\nExtra=kept\r\n";
    WriteWholeFile(tool.File("GlasswayConfig.ini"), before);

    const std::string settingsPath = SettingsPathFor(tool.Path());
    ClearResetFlag(settingsPath);

    EXPECT_EQ(settingsPath, tool.File("GlasswayConfig.ini"));
    std::string expected = before;
    expected.replace(expected.find("Reset=1\r\nRefreshRate"), 7, "Reset=0");
    EXPECT_EQ(ReadWholeFile(settingsPath), expected);
}

TEST(ClearResetFlag, CreatesTheFileWhenMissing)
{
    ToolDirectory tool;
    const std::string settingsPath = SettingsPathFor(tool.Path());
    ClearResetFlag(settingsPath);

    EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "0");
    const StoredSettings stored = ReadSettings(settingsPath);
    EXPECT_EQ(stored.address, "");
    EXPECT_EQ(stored.refreshSeconds, 20);
}

TEST(ReadSettings, StoredRefreshRateIsShownInWholeSeconds)
{
    ToolDirectory tool;
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"20000", "20"},
        {"30000", "30"},
        {"1500", "1"},
        {"1999", "1"},
        {"999", "0"},
        {"-999", "0"},
        {"-1500", "-1"},
        {"25000ms", "25"},
        {"0", "20"},
        {"", "20"},
        {"letters", "20"},
        {"99999999999", "2147483"},
        {"-99999999999", "-2147483"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RefreshRateShownFor(tool, c.stored), c.shown) << "stored " << c.stored;

    WriteWholeFile(tool.File("GlasswayConfig.ini"), "[NorrinGlassway]\r\nIPAddress=10.1.2.3\r\n");
    EXPECT_EQ(ReadSettings(SettingsPathFor(tool.Path())).refreshSeconds, 20) << "key missing";
    EXPECT_EQ(ReadSettings(tool.File("absent.ini")).refreshSeconds, 20) << "file missing";
}

TEST(ReadSettings, ReturnsTheStoredAddressCutTo254Characters)
{
    ToolDirectory tool;
    WriteWholeFile(tool.File("GlasswayConfig.ini"), "[NorrinGlassway]\r\nIPAddress=192.168.10.20\r\n");
    EXPECT_EQ(ReadSettings(SettingsPathFor(tool.Path())).address, "192.168.10.20");

    const std::string longAddress = std::string(100, 'a') + std::string(100, 'b') + std::string(100, 'c');
    WriteWholeFile(tool.File("GlasswayConfig.ini"), "[NorrinGlassway]\r\nIPAddress=" + longAddress + "\r\n");
    EXPECT_EQ(ReadSettings(SettingsPathFor(tool.Path())).address, longAddress.substr(0, 254));
}

TEST(WriteSettings, StoresResetAddressAndRefreshRateInMilliseconds)
{
    ToolDirectory tool;
    const struct {
        const char* secondsText;
        const char* stored;
    } cases[] = {
        {"25", "25000"},
        {"7x", "7000"},
        {"letters", "0"},
        {"-2", "-2000"},
        {"99999999999", "2147483647"},
        {"-3000000", "-2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(
            WriteSettings(tool.Path(), "1", {"192.168.1.20", RefreshRateMilliseconds(ParseIntSaturated(c.secondsText))})
                .unsaved.empty());
        EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "1");
        EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), c.stored) << c.secondsText;
        const std::string xml = ReadWholeFile(RefreshRateXmlPathFor(tool.Path()));
        EXPECT_NE(xml.find(std::string(">") + c.stored + "</OBJECT>"), std::string::npos) << xml;
    }
}

TEST(WriteSettings, StoresTheAddressExactlyAsPassed)
{
    ToolDirectory tool;
    for (const char* address : {"192.168.1.20", "ups-controller.plant.example", "UPS_Ctrl-7", "10.0.0.1"}) {
        WriteSettings(tool.Path(), "0", {address, 20000});
        EXPECT_EQ(ReadStoredValue(tool.Path(), kAddressKey), address);
        EXPECT_EQ(ReadStoredValue(tool.Path(), kResetKey), "0");
    }
}

TEST(WriteSettings, WritesResetAndAddressThenRefreshRateXmlThenRefreshRateIntoACopyThatReplacesTheFile)
{
    ToolDirectory tool;
    const std::string before = "[NorrinGlassway]\r\nReset=0\r\nIPAddress=old-controller\r\nRefreshRate=20000\r\n";
    WriteWholeFile(tool.File("GlasswayConfig.ini"), before);
    int xmlWrites = 0;
    const StoreOutcome outcome = WriteSettings(
        tool.Path(), "1", {"new-controller", 45000}, [&](const std::string& exeDirectory, int refreshMilliseconds) {
            ++xmlWrites;
            EXPECT_EQ(exeDirectory, tool.Path());
            EXPECT_EQ(refreshMilliseconds, 45000);
            const std::string copy = ScratchCopyIn(tool);
            EXPECT_LE(copy.size(), SettingsPathFor(tool.Path()).size()) << copy;
            EXPECT_EQ(ReadSetting(copy, kResetKey), "1");
            EXPECT_EQ(ReadSetting(copy, kAddressKey), "new-controller");
            EXPECT_EQ(ReadSetting(copy, kRefreshRateKey), "20000");
            EXPECT_EQ(ReadWholeFile(tool.File("GlasswayConfig.ini")), before) << "the service still reads the old file";
            return RefreshRateXmlResult::Written;
        });
    EXPECT_TRUE(outcome.unsaved.empty());
    EXPECT_EQ(xmlWrites, 1);
    EXPECT_EQ(ReadWholeFile(tool.File("GlasswayConfig.ini")),
              "[NorrinGlassway]\r\nReset=1\r\nIPAddress=new-controller\r\nRefreshRate=45000\r\n")
        << "the profile calls' own formatting";
    EXPECT_EQ(ScratchCopyIn(tool), "") << "no copy left behind";
}

TEST(WriteSettings, AFailureAnywhereLeavesBothFilesAsTheyWereOrNamesTheOneLeftChanged)
{
    const std::string settings =
        "[NorrinGlassway]\r\nReset=0\r\nIPAddress=127.0.0.10\r\nRefreshRate=45000\r\n" + std::string(4000, ';');
    const std::string xml = "<old refresh rate/>";
    // What the refreshRate.xml step does besides writing the file, and its result.
    std::string blockedCopy;
    const auto blockCopy = [&blockedCopy](const ToolDirectory& tool) {
        blockedCopy = ScratchCopyIn(tool);
        DeleteFileA(blockedCopy.c_str());
        CreateDirectoryA(blockedCopy.c_str(), nullptr);
    };
    const auto changeCopy = [](const ToolDirectory& tool) {
        WritePrivateProfileStringA(kSettingsSection, kAddressKey, "10.0.0.8", ScratchCopyIn(tool).c_str());
    };
    const auto blockXml = [](const ToolDirectory& tool) {
        DeleteFileA(tool.DataFile("refreshRate.xml").c_str());
        CreateDirectoryA(tool.DataFile("refreshRate.xml").c_str(), nullptr);
    };
    const struct {
        const char* what;
        std::function<void(const ToolDirectory&)> alsoDo;
        RefreshRateXmlResult xmlResult;
        FileByteWriter write;
        bool xmlUnsaved;
        bool xmlLeftChanged;
    } cases[] = {
        {"refreshRate.xml fails", nullptr, RefreshRateXmlResult::Failed, WriteAllBytes, true, false},
        {"RefreshRate fails after the XML was replaced", blockCopy, RefreshRateXmlResult::Written, WriteAllBytes, false,
         false},
        {"read-back differs", changeCopy, RefreshRateXmlResult::Written, WriteAllBytes, false, false},
        {"the settings file's replace meets a full disk", nullptr, RefreshRateXmlResult::Written,
         FailingAfter(settings.size() + 1), false, false},
        {"refreshRate.xml cannot be put back", blockXml, RefreshRateXmlResult::Failed, WriteAllBytes, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        blockedCopy.clear();
        ToolDirectory tool;
        WriteWholeFile(tool.File("GlasswayConfig.ini"), settings);
        WriteWholeFile(tool.DataFile("refreshRate.xml"), xml);
        const std::string settingsPath = SettingsPathFor(tool.Path());
        const std::string xmlPath = RefreshRateXmlPathFor(tool.Path());

        const StoreOutcome outcome = WriteSettings(
            tool.Path(), "1", {"bravo", 60000},
            [&](const std::string& exeDirectory, int refreshMilliseconds) {
                EXPECT_EQ(WriteRefreshRateXml(exeDirectory, refreshMilliseconds), RefreshRateXmlResult::Written);
                if (c.alsoDo)
                    c.alsoDo(tool);
                return c.xmlResult;
            },
            c.write);
        RemoveDirectoryA(blockedCopy.c_str());  // the test's own obstacle

        EXPECT_EQ(outcome.unsaved, UnsavedFiles{c.xmlUnsaved ? xmlPath : settingsPath});
        EXPECT_EQ(outcome.leftChanged, c.xmlLeftChanged ? UnsavedFiles{xmlPath} : UnsavedFiles{});
        EXPECT_EQ(ReadWholeFile(settingsPath), settings);
        if (!c.xmlLeftChanged) {
            EXPECT_EQ(ReadWholeFile(xmlPath), xml);
        }
        EXPECT_EQ(ListDirectory(tool.Path()), (std::vector<std::string>{"GlasswayConfig.ini", "http"}));
        EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), std::vector<std::string>{"refreshRate.xml"});
    }
}

TEST(WriteSettings, ANewFileIsRemovedAgainAfterAFailure)
{
    ToolDirectory tool;
    const StoreOutcome outcome =
        WriteSettings(tool.Path(), "1", {"bravo", 60000}, [](const std::string& exeDirectory, int milliseconds) {
            WriteRefreshRateXml(exeDirectory, milliseconds);
            return RefreshRateXmlResult::Failed;
        });
    EXPECT_EQ(outcome.unsaved, UnsavedFiles{RefreshRateXmlPathFor(tool.Path())});
    EXPECT_TRUE(outcome.leftChanged.empty());
    EXPECT_EQ(ListDirectory(tool.Path()), std::vector<std::string>{"http"});
    EXPECT_TRUE(ListDirectory(tool.Path() + "\\http\\data").empty());
}

TEST(WriteSettings, GoesOnWhenRefreshRateXmlCannotBeWritten)
{
    ToolDirectory tool;
    RemoveTree(tool.Path() + "\\http");
    EXPECT_TRUE(WriteSettings(tool.Path(), "1", {"10.9.8.7", 30000}).unsaved.empty())
        << "no http\\data is nothing to write";
    EXPECT_EQ(ReadStoredValue(tool.Path(), kAddressKey), "10.9.8.7");
    EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), "30000");
    EXPECT_FALSE(FileExists(tool.Path() + "\\http"));
}

TEST(SettingsFile, PathBeyondTheProfileLimitIsLeftAlone)
{
    // The profile calls cannot take such a path; some, instead of failing, write a
    // file whose name depends on the memory contents into the current directory.
    ToolDirectory tool("tool", 300);
    char currentDirectory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, currentDirectory);
    const std::vector<std::string> before = ListDirectory(currentDirectory);

    const std::string settingsPath = SettingsPathFor(tool.Path());
    ClearResetFlag(settingsPath);
    const UnsavedFiles unsaved = WriteSettings(tool.Path(), "1", {"10.1.1.1", 30000}, [](const std::string&, int) {
                                     return RefreshRateXmlResult::Written;
                                 }).unsaved;
    const StoredSettings stored = ReadSettings(settingsPath);

    EXPECT_EQ(stored.address, "");
    EXPECT_EQ(stored.refreshSeconds, 20);
    EXPECT_FALSE(FileExists(settingsPath));
    EXPECT_EQ(unsaved, UnsavedFiles{settingsPath}) << "a store that did not happen is reported";
    EXPECT_EQ(ListDirectory(currentDirectory), before);
}

TEST(ReadStoredRefreshRate, WholeMillisecondsOrTheTextAsItStands)
{
    ToolDirectory tool;
    const struct {
        const char* stored;
        bool isNumber;
        int milliseconds;
    } cases[] = {
        {"-5000", true, -5000},   {"020000", true, 20000}, {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0}, {"20s", false, 0},       {"", false, 0},
        {"+5000", false, 0},
    };
    for (const auto& c : cases) {
        WriteWholeFile(tool.File("GlasswayConfig.ini"), std::string("[NorrinGlassway]\r\nRefreshRate=") + c.stored);
        const StoredRefreshRate stored = ReadStoredRefreshRate(SettingsPathFor(tool.Path()));
        EXPECT_EQ(stored.text, c.stored);
        EXPECT_EQ(stored.milliseconds.has_value(), c.isNumber) << c.stored;
        EXPECT_EQ(stored.milliseconds.value_or(0), c.milliseconds) << c.stored;
    }
}
