// The companion's one writer: text in the system code page goes to a standard stream as
// bytes, and every line ends in CR LF. Whatever builds output ends its lines in "\n";
// only Write turns them into CR LF.
#pragma once

#include <cstdio>
#include <string>

namespace cc {

// The program's name, as it starts the lines it writes about itself.
constexpr char kProgramName[] = "ChangeControllerCmd";

// Puts both standard streams in binary mode, so that the runtime adds no CR of its own.
void UseBinaryStreams();

// Writes the text, each "\n" as CR LF.
void Write(std::FILE* stream, const std::string& text);

// Writes the text as one line.
void PrintLine(std::FILE* stream, const std::string& text);

// A text in the system code page, each character it cannot spell a "?" (never a
// look-alike, which could name another, existing file).
std::string InCodePage(const std::wstring& text);

}  // namespace cc
