// device.ini: sections of key=value lines. A comment runs from ';' or '#' at the start of a line, or from a ';'
// that follows a blank, to the end of the line, so values may carry comments as in the README's example.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace emu {

struct IniSection {
  std::wstring name;  // trimmed text between the brackets; empty for lines before the first section
  std::vector<std::pair<std::wstring, std::wstring>> entries;  // trimmed key (as written) and value
};

std::vector<IniSection> ParseIni(const std::wstring& text);

// The value of key in section (both compared without regard to case), or null.
const std::wstring* FindIniValue(const IniSection& section, const wchar_t* key);

// Decodes the bytes of a text file: UTF-16LE with its byte-order mark, UTF-8 (mark optional), else the ANSI
// code page.
std::wstring DecodeIniText(const std::string& bytes);

}  // namespace emu
