#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace cc {

// The few file operations that need the platform's own calls. Paths are single-byte
// texts in the system code page; paths beyond 260 characters work as well.

// Writes `count` bytes to an open file; false when not all of them were written.
using FileByteWriter = std::function<bool(HANDLE file, const char* bytes, std::size_t count)>;
bool WriteAllBytes(HANDLE file, const char* bytes, std::size_t count);

// Makes `content` the whole content of the existing or new file `path`. It is written
// to a new file of an unpredictable name beside `path` and moved over `path` in one
// step, so that a reader sees either the old file or the whole new one; nothing already
// lying in the folder under any other name is opened, written or deleted, and a link at
// `path` is replaced, not written through. While another process holds `path` open
// without delete sharing (a reader opened with plain fopen, a web server serving or
// mapping the file), the move is retried for a moment, and then `path` is rewritten in
// place, which such a reader allows if it shares writing: all or nothing, the old bytes
// are put back when a step fails, and a file that cannot be cut (mapped by a reader) is
// not shrunk. False when the content could not be stored: a read-only `path`, a missing
// folder, a failed write; then `path` holds its old content and no temporary file is
// left.
bool ReplaceFileContent(const std::string& path, const std::string& content,
                        const FileByteWriter& write = WriteAllBytes);

// A file's exact bytes, or that nothing lay at its name.
struct FileSnapshot {
    bool present = false;
    std::string bytes;
    bool operator==(const FileSnapshot& other) const { return present == other.present && bytes == other.bytes; }
    bool operator!=(const FileSnapshot& other) const { return !(*this == other); }
};
// None when the file cannot be read whole: a directory, a link (whose target is never
// read), a file held without read sharing.
std::optional<FileSnapshot> TakeSnapshot(const std::string& path);

// Makes `path` hold the snapshot again: its bytes through ReplaceFileContent, or no file
// where none was. True when the file then holds exactly the snapshot.
bool PutBack(const std::string& path, const FileSnapshot& snapshot);

// A new file beside `besidePath`, holding `content`, for a writer that only takes a
// name (the profile calls). Its name is unpredictable and no longer than the settings
// file's own (GlasswayConfig.ini), and the file is created new (CREATE_NEW), so nothing
// planted is opened; it is deleted when the object ends. Path() is empty when it could
// not be made whole.
class ScratchFile {
public:
    ScratchFile(const std::string& besidePath, const std::string& content, const FileByteWriter& write = WriteAllBytes);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

enum class PathKind {
    Missing,    // nothing at that name (nor at the folder it would be in)
    Directory,  // a directory
    Other,      // a file, or something that cannot be looked at
};
PathKind KindOf(const std::string& path);

// Deletes the file; false when it could not be deleted or was not there.
bool RemoveFile(const std::string& path);

}  // namespace cc
