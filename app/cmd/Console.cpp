#include "app/cmd/Console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

namespace cc {

void UseBinaryStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void Write(std::FILE* stream, const std::string& text)
{
    std::string bytes;
    for (char c : text)
        bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void PrintLine(std::FILE* stream, const std::string& text)
{
    Write(stream, text + "\n");
}

std::string InCodePage(const std::wstring& text)
{
    if (text.empty())
        return {};
    const auto convert = [&text](DWORD flags, char* bytes, int size) {
        const char unspellable = '?';
        return WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), bytes, size,
                                   flags ? &unspellable : nullptr, nullptr);
    };
    // Code pages such as UTF-8 take no such flag; they spell every character.
    const DWORD flags = convert(WC_NO_BEST_FIT_CHARS, nullptr, 0) > 0 ? WC_NO_BEST_FIT_CHARS : 0;
    std::string bytes(static_cast<size_t>(convert(flags, nullptr, 0)), '\0');
    convert(flags, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

}  // namespace cc
