// Both programs run elevated from the web service's folder, which others may be able
// to write to. The loader would take a DLL that is not a KnownDLL from the program's
// own folder first, so such DLLs are delay-loaded (see cmake/DelayImports.cmake) and
// taken here, before the program's own code uses them, from the system directory only.
#pragma once

#include <optional>
#include <string>

namespace fw {

// Restricts every later DLL search of this process to the system directory (neither
// the program's nor the current directory) and loads the delay-loaded DLLs from there.
// Returns what failed, as the program's last message; none when all is done. The
// program must not go on after a failure: nothing else may search for the DLLs.
std::optional<std::string> LoadDllsFromSystemDirectoryOnly();

}  // namespace fw
