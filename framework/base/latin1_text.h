// The programs' narrow text is 8-bit ISO 8859-1: every byte is the UTF-16 code unit of the same value. Device
// paths travel the same way, so a name read from the handheld shows unchanged in a control. Host paths are not
// narrow text: they stay UTF-16 from the system call that gives them to the one that uses them.
#pragma once

#include <string>

namespace base {

std::wstring Widen(const char* text);
std::wstring Widen(const std::string& text);
// Code units above 255 have no narrow form; they become '?'.
std::string Narrow(const wchar_t* text);
std::string Narrow(const std::wstring& text);

}  // namespace base
