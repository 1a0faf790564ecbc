// A fresh directory under the system's temporary folder, removed with its files at the end.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

class TempDir {
public:
    explicit TempDir(const std::string& suffix = "")
    {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        std::string prefix = base;
        if (!prefix.empty() && prefix.back() == '\\')
            prefix.pop_back();
        // Process ids repeat across runs, and a folder left behind by a process that
        // outlived its test must not be taken over: only a folder made here counts.
        static unsigned sequence = 0;
        do {
            m_path = prefix + "\\cc-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                     std::to_string(::GetTickCount64()) + "-" + std::to_string(++sequence) + suffix;
        } while (!::CreateDirectoryA(m_path.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& relative) const { return m_path + "\\" + relative; }

    void WriteFile(const std::string& relative, const std::string& content) const
    {
        std::ofstream(File(relative), std::ios::binary) << content;
    }
    std::string ReadFile(const std::string& relative) const
    {
        std::ifstream in(File(relative), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    bool Exists(const std::string& relative) const
    {
        return ::GetFileAttributesA(File(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static void RemoveTree(const std::string& path)
    {
        WIN32_FIND_DATAA entry;
        HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string child = path + "\\" + name;
                ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    ::DeleteFileA(child.c_str());
            } while (::FindNextFileA(find, &entry));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(path.c_str());
    }

    std::string m_path;
};
