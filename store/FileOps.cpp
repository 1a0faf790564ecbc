#include "store/FileOps.h"

namespace cc {

namespace {

// How long a reader may hold the file before it is rewritten in place instead.
constexpr int kReplaceAttempts = 10;
constexpr DWORD kReplaceRetryMs = 50;

// The ANSI calls stop at 260 characters; the wide ones accept a longer path when it
// carries the \\?\ prefix, which also turns off the normalisation that such a path
// skips, hence forward slashes are turned into backslashes here.
std::wstring PlatformPath(const std::string& path)
{
    std::wstring wide;
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    wide.resize(length);
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    if (wide.size() < MAX_PATH)
        return wide;
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\')
        return L"\\\\?\\" + wide;
    if (wide.compare(0, 2, L"\\\\") == 0 && wide.compare(0, 4, L"\\\\?\\") != 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close()
    {
        const bool closed = !IsOpen() || CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// Writes the content, cuts the file after it and flushes it; false at the first failure.
bool WriteWhole(FileHandle& file, const std::string& content, const FileByteWriter& write)
{
    return file.IsOpen() && write(file.Get(), content.data(), content.size()) && SetEndOfFile(file.Get()) &&
           FlushFileBuffers(file.Get()) && file.Close();
}

// A read-only file or a directory, which the content must not replace.
bool IsUnwritable(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

bool HeldOpenByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// The move, retried while the target is held open; the error of the last attempt.
DWORD MoveOver(const std::wstring& from, const std::wstring& to)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (!HeldOpenByAnother(error) || attempt == kReplaceAttempts)
            return error;
        Sleep(kReplaceRetryMs);
    }
}

}  // namespace

bool WriteAllBytes(HANDLE file, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

bool ReplaceFileContent(const std::string& path, const std::string& content, const FileByteWriter& write)
{
    const std::wstring target = PlatformPath(path);
    // Not every implementation of the move refuses a read-only target.
    if (IsUnwritable(target))
        return false;

    const std::wstring temporary = PlatformPath(path + ".tmp");
    FileHandle temporaryFile(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temporaryFile.IsOpen())
        return false;
    if (!WriteWhole(temporaryFile, content, write)) {
        temporaryFile.Close();
        DeleteFileW(temporary.c_str());
        return false;
    }
    const DWORD moveError = MoveOver(temporary, target);
    if (moveError == ERROR_SUCCESS)
        return true;
    DeleteFileW(temporary.c_str());
    if (!HeldOpenByAnother(moveError))
        return false;

    // A reader that shares writing lets the file be rewritten where it is.
    FileHandle inPlace(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return WriteWhole(inPlace, content, write);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(PlatformPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(PlatformPath(path).c_str()) != 0;
}

}  // namespace cc
