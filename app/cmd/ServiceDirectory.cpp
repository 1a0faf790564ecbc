#include "app/cmd/ServiceDirectory.h"

#include <windows.h>

#include "app/cmd/Console.h"
#include "apply/ApplySelection.h"
#include "framework/ModulePath.h"
#include "store/ExeDirectory.h"
#include "store/FileOps.h"
#include "store/SettingsFile.h"

namespace cc {

std::string ServiceDirectory(const CommandLine& line)
{
    return line.directory.empty() ? DirectoryOf(InCodePage(fw::AfxGetModuleFileNameW())) : line.directory;
}

std::optional<std::string> UnhandledDirectory(const std::string& directory)
{
    const bool extendedPrefix = directory.compare(0, 4, "\\\\?\\") == 0;
    if (directory.find('?', extendedPrefix ? 4 : 0) != std::string::npos) {
        return "the directory " + directory +
               " cannot be handled: its path holds characters that the system code page (" + std::to_string(GetACP()) +
               ") cannot spell, shown here as \"?\"";
    }
    const std::string path = SettingsPathFor(directory);
    if (path.size() >= MAX_PATH) {
        return "the directory " + directory + " cannot be handled: the path of its settings file is " +
               std::to_string(path.size()) + " characters long, and the settings calls take at most " +
               std::to_string(MAX_PATH - 1);
    }
    return std::nullopt;
}

std::optional<std::string> MissingSettings(const std::string& directory)
{
    if (std::optional<std::string> unhandled = UnhandledDirectory(directory))
        return unhandled;
    if (KindOf(directory) != PathKind::Directory)
        return "no settings here: the directory " + directory + " does not exist";
    const std::string path = SettingsPathFor(directory);
    if (KindOf(path) == PathKind::Missing)
        return "no settings here: " + path + " does not exist";
    return std::nullopt;
}

std::optional<std::string> NotServiceFolder(const std::string& directory)
{
    if (IsServiceFolder(directory))
        return std::nullopt;
    return "not the service's folder: " + ServiceExecutablePath(directory) + " does not exist";
}

SettingsPlace LocateSettings(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    return {directory, SettingsPathFor(directory), MissingSettings(directory)};
}

}  // namespace cc
