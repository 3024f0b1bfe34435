// The few text services of the Windows API that device.ini reading needs, so that the same reader serves
// RAPI.dll (through the Windows API itself) and the native ARM runner (by the same rules, done here). Strings
// hold UTF-16 code units in wchar_t on every host, as Windows has them.
#pragma once

#include <string>

namespace emu {

// Equal without regard to case as the handheld compares names (talv::SameNameNoCase), on every host.
bool EqualOrdinalNoCase(const std::wstring& a, const std::wstring& b);

// UTF-8 to UTF-16 units; false on any ill-formed sequence (as MB_ERR_INVALID_CHARS refuses it).
bool DecodeUtf8Strict(const std::string& bytes, std::wstring* text);

// The ANSI code page's bytes to UTF-16 units: CP_ACP on Windows, Windows-1252 elsewhere (Wine's default).
std::wstring DecodeAnsi(const std::string& bytes);

}  // namespace emu
