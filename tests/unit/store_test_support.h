// Helpers of the stored-data and apply tests: settings values, directory listings,
// directories beyond 260 characters, and the stand-in service.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TempDir.h"
#include "store/FileOps.h"
#include "store/SettingsFile.h"

inline std::string ReadStoredValue(const std::string& exeDirectory, const char* key, const char* missing = "<missing>")
{
    char buffer[1024] = {};
    GetPrivateProfileStringA(cc::kSettingsSection, key, missing, buffer, sizeof buffer,
                             cc::SettingsPathFor(exeDirectory).c_str());
    return buffer;
}

// A path the wide calls accept beyond 260 characters.
inline std::wstring ExtendedPath(const std::string& path)
{
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

// The names in a directory, "." and ".." left out, sorted.
inline std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((ExtendedPath(path) + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.emplace_back(name.begin(), name.end());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

inline bool FileExists(const std::string& path)
{
    return GetFileAttributesW(ExtendedPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteWholeFile(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileW(ExtendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                    written == content.size();
    CloseHandle(file);
    return ok;
}

inline std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<unreadable>";
    std::string content;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0)
        content.append(buffer, count);
    CloseHandle(file);
    return content;
}

inline void MakeDirectory(const std::string& path)
{
    CreateDirectoryW(ExtendedPath(path).c_str(), nullptr);
}

inline void RemoveTree(const std::string& path)
{
    for (const std::string& name : ListDirectory(path)) {
        const std::string child = path + "\\" + name;
        const DWORD attributes = GetFileAttributesW(ExtendedPath(child).c_str());
        SetFileAttributesW(ExtendedPath(child).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(child);
        else
            DeleteFileW(ExtendedPath(child).c_str());
    }
    RemoveDirectoryW(ExtendedPath(path).c_str());
}

// A tool directory laid out like the service's: <root>\<name>\http\data. The name may
// hold blanks, or nest deep enough that the directory exceeds 260 characters.
class ToolDirectory {
public:
    explicit ToolDirectory(const std::string& name = "tool", size_t atLeastCharacters = 0)
    {
        std::string path = m_root.Path() + "\\" + name;
        MakeDirectory(path);
        while (path.size() < atLeastCharacters) {
            path += "\\nested directory of the service installation";
            MakeDirectory(path);
        }
        m_path = path;
        MakeDirectory(m_path + "\\http");
        MakeDirectory(m_path + "\\http\\data");
    }
    // A stand-in service launched by the test may still be running from here, keeping
    // its files; wait a bounded while for it to end so that nothing is left behind.
    ~ToolDirectory()
    {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        RemoveTree(m_root.Path());
        while (FileExists(m_root.Path()) && GetTickCount64() < deadline) {
            Sleep(20);
            RemoveTree(m_root.Path());
        }
    }
    ToolDirectory(const ToolDirectory&) = delete;
    ToolDirectory& operator=(const ToolDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& relative) const { return m_path + "\\" + relative; }
    std::string DataFile(const std::string& name) const { return m_path + "\\http\\data\\" + name; }

    void CreateCachedDataFiles() const
    {
        for (const char* name : {"upsprop.xml", "applist.xml", "eventlist.xml"})
            WriteWholeFile(DataFile(name), "<cached/>");
    }
    std::vector<std::string> CachedDataFilesPresent() const
    {
        std::vector<std::string> present;
        for (const char* name : {"upsprop.xml", "applist.xml", "eventlist.xml"}) {
            if (FileExists(DataFile(name)))
                present.push_back(name);
        }
        return present;
    }

    // Puts the stand-in service beside the tool, as on an installation.
    bool InstallStandInService() const;

private:
    TempDir m_root;
    std::string m_path;
};

// A byte writer that lets `capacity` bytes through to the file and then fails, as a
// full disk would.
inline cc::FileByteWriter FailingAfter(std::size_t capacity)
{
    return [capacity, written = std::size_t{0}](HANDLE file, const char* bytes, std::size_t count) mutable {
        const std::size_t allowed = written + count <= capacity ? count : capacity - written;
        if (allowed > 0 && !cc::WriteAllBytes(file, bytes, allowed))
            return false;
        written += allowed;
        return allowed == count;
    };
}

// The settings file's working copy that an apply writes beside it (ScratchFile); ""
// when there is none.
inline std::string ScratchCopyIn(const ToolDirectory& tool)
{
    for (const std::string& name : ListDirectory(tool.Path())) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0)
            return tool.File(name);
    }
    return "";
}

// The stand-in service built with the tests: TEST_TOOLS_DIR names the build's tools
// folder, as a host path when the tests run under Wine.
inline std::string StandInServicePath()
{
    const char* toolsDirectory = std::getenv("TEST_TOOLS_DIR");
    std::string path = toolsDirectory ? toolsDirectory : "";
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path + "\\service\\NorrinGlasswayService.exe";
}

inline bool ToolDirectory::InstallStandInService() const
{
    const std::string source = StandInServicePath();
    return CopyFileW(std::wstring(source.begin(), source.end()).c_str(),
                     ExtendedPath(File("NorrinGlasswayService.exe")).c_str(), FALSE) != 0;
}
