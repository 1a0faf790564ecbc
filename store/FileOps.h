#pragma once

#include <string>

// The few file operations that need the platform's own calls. Paths are single-byte
// texts in the system code page; paths beyond 260 characters work as well.

// Moves `from` over `to` in one step, replacing `to` if it exists; false when the
// move failed (also when `to` is read-only) and both files are as they were.
bool ReplaceFileAtomically(const std::string& from, const std::string& to);

// Deletes the file; false when it could not be deleted or was not there.
bool RemoveFile(const std::string& path);
