#include "store/FileOps.h"

#include <bcrypt.h>

#include <optional>

#include "store/ExeDirectory.h"

namespace cc {

namespace {

// How long a reader may hold the file before it is rewritten in place instead.
constexpr int kReplaceAttempts = 10;
constexpr DWORD kReplaceRetryMs = 50;
// New names tried for the temporary file when the drawn one exists.
constexpr int kTemporaryNameAttempts = 8;
// The rewrite in place keeps the old content in memory to put it back on a failure.
constexpr LONGLONG kLargestInPlaceFile = 64 * 1024 * 1024;

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

// `count` random bytes as hexadecimal digits; none when the system's random numbers are
// not available.
std::optional<std::string> RandomDigits(std::size_t count)
{
    unsigned char random[16];
    if (count > sizeof random ||
        !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    static const char kDigits[] = "0123456789abcdef";
    std::string digits;
    for (std::size_t i = 0; i < count; ++i) {
        digits += kDigits[random[i] >> 4];
        digits += kDigits[random[i] & 15];
    }
    return digits;
}

// A fresh name beside `path` that nobody can know in advance: `path` with a random
// suffix; none without random numbers.
std::optional<std::string> LongNameBeside(const std::string& path)
{
    const std::optional<std::string> digits = RandomDigits(16);
    return digits ? std::optional<std::string>(path + "." + *digits + ".new") : std::nullopt;
}

// The same in `path`'s folder, 18 characters long: no longer than the settings file's
// own name, so that the profile calls' path limit holds for it as for that file.
std::optional<std::string> ShortNameBeside(const std::string& path)
{
    const std::optional<std::string> digits = RandomDigits(7);
    return digits ? std::optional<std::string>(DirectoryOf(path) + "\\" + *digits + ".new") : std::nullopt;
}

using NameMaker = std::optional<std::string> (*)(const std::string& path);

// A new file under a name nobody could have planted beforehand. CREATE_NEW never opens
// what is already there, a link included; a name that exists is replaced by another.
FileHandle CreateTemporaryBeside(const std::string& path, NameMaker makeName, std::string& name)
{
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::optional<std::string> fresh = makeName(path);
        if (!fresh)
            break;
        name = *fresh;
        HANDLE file = CreateFileW(PlatformPath(name).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return FileHandle(file);
    }
    return FileHandle(INVALID_HANDLE_VALUE);
}

// Deletes the file this handle was opened on, whatever its name points to by now; by
// its own name where the handle cannot mark it, so that no temporary file is left.
void DeleteOpenFile(FileHandle& file, const std::wstring& name)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool marked = SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
    file.Close();
    if (!marked)
        DeleteFileW(name.c_str());
}

bool CutAt(HANDLE file, std::size_t size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// Writes the content from the start, cuts the file after it and flushes it; false at
// the first failure.
bool WriteWhole(HANDLE file, const std::string& content, const FileByteWriter& write)
{
    return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
           write(file, content.data(), content.size()) && CutAt(file, content.size()) && FlushFileBuffers(file);
}

// The file's bytes; none when they cannot all be read.
std::optional<std::string> ReadWhole(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestInPlaceFile)
        return std::nullopt;
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD read = 0;
        if (!ReadFile(file, content.data() + done, static_cast<DWORD>(content.size() - done), &read, nullptr) ||
            read == 0)
            return std::nullopt;
        done += read;
    }
    return content;
}

// Writes `content` to a new file beside `path` (CreateTemporaryBeside) and closes it;
// its name, none when it could not be written whole, and then nothing is left.
std::optional<std::string> WriteNewFileBeside(const std::string& path, NameMaker makeName, const std::string& content,
                                              const FileByteWriter& write)
{
    std::string name;
    FileHandle file = CreateTemporaryBeside(path, makeName, name);
    if (!file.IsOpen())
        return std::nullopt;
    if (!WriteWhole(file.Get(), content, write)) {
        DeleteOpenFile(file, PlatformPath(name));
        return std::nullopt;
    }
    if (!file.Close()) {
        DeleteFileW(PlatformPath(name).c_str());
        return std::nullopt;
    }
    return name;
}

// A read-only file or a directory, which the content must not replace.
bool IsUnwritable(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

bool IsReparsePoint(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information;
    return !GetFileInformationByHandle(file, &information) ||
           (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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

// Rewrites the file where it is, all or nothing: the old bytes are read first and
// written back when any later step fails. A file that must shrink is cut before the
// first byte is written, as a reader's mapping forbids the cut; a link is never
// written through (the move replaces it instead).
bool RewriteInPlace(const std::wstring& target, const std::string& content, const FileByteWriter& write)
{
    FileHandle file(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsOpen() || IsReparsePoint(file.Get()))
        return false;
    const std::optional<std::string> old = ReadWhole(file.Get());
    if (!old || (content.size() < old->size() && !CutAt(file.Get(), content.size())))
        return false;
    if (WriteWhole(file.Get(), content, write))
        return file.Close();
    WriteWhole(file.Get(), *old, WriteAllBytes);
    return false;
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

    const std::optional<std::string> written = WriteNewFileBeside(path, LongNameBeside, content, write);
    if (!written)
        return false;
    const std::wstring temporary = PlatformPath(*written);
    const DWORD moveError = MoveOver(temporary, target);
    if (moveError == ERROR_SUCCESS)
        return true;
    DeleteFileW(temporary.c_str());
    // A reader that shares writing lets the file be rewritten where it is.
    return HeldOpenByAnother(moveError) && RewriteInPlace(target, content, write);
}

std::optional<FileSnapshot> TakeSnapshot(const std::string& path)
{
    FileHandle file(CreateFileW(PlatformPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsOpen()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FileSnapshot{false, {}};
        return std::nullopt;
    }
    if (IsReparsePoint(file.Get()))
        return std::nullopt;
    std::optional<std::string> bytes = ReadWhole(file.Get());
    if (!bytes)
        return std::nullopt;
    return FileSnapshot{true, std::move(*bytes)};
}

bool PutBack(const std::string& path, const FileSnapshot& snapshot)
{
    if (snapshot.present)
        ReplaceFileContent(path, snapshot.bytes);
    else
        RemoveFile(path);
    return TakeSnapshot(path) == snapshot;
}

ScratchFile::ScratchFile(const std::string& besidePath, const std::string& content, const FileByteWriter& write)
    : m_path(WriteNewFileBeside(besidePath, ShortNameBeside, content, write).value_or(""))
{}

ScratchFile::~ScratchFile()
{
    if (!m_path.empty())
        RemoveFile(m_path);
}

PathKind KindOf(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(PlatformPath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Directory : PathKind::Other;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Other;
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(PlatformPath(path).c_str()) != 0;
}

}  // namespace cc
