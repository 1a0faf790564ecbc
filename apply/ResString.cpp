#include "apply/ResString.h"

#include "apply/Exceptions.h"
#include "framework/App.h"

namespace cc {

std::string LoadStringOrEmpty(UINT id)
{
    char buffer[4096];
    const int copied = ::LoadStringA(fw::AfxGetResourceHandle(), id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(copied > 0 ? copied : 0));
}

std::string LoadResString(UINT id)
{
    std::string text = LoadStringOrEmpty(id);
    if (text.empty())
        throw ExceptionGui(id);
    return text;
}

std::string FormatWithText(const std::string& format, const std::string& argument)
{
    std::string result;
    result.reserve(format.size() + argument.size());
    bool substituted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !substituted) {
                result += argument;
                substituted = true;
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}

}  // namespace cc
