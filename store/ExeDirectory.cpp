#include "store/ExeDirectory.h"

#include "framework/ModulePath.h"

namespace cc {

std::string DirectoryOf(const std::string& path)
{
    const std::string::size_type lastBackslash = path.rfind('\\');
    return lastBackslash == std::string::npos ? path : path.substr(0, lastBackslash);
}

std::string GetExeDirectory()
{
    return DirectoryOf(fw::AfxGetModuleFileName());
}

}  // namespace cc
