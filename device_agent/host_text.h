// What a host stands in for on the handheld's behalf: the handheld runtime's text-mode output of wide strings.
// Used by the emulated handheld's COREDLL stand-in and the tests; the Windows CE build needs it not (the
// handheld's runtime writes text mode itself).
#pragma once

#include <string>

namespace agent {

// How the handheld's runtime library writes a wide string to a text-mode stream: each unit as one narrow
// (ANSI) character and each line feed as carriage return + line feed. Units outside ASCII become '?', the
// system's default character for what the code page cannot hold; the agent's own texts are pure ASCII.
std::string EncodeTextModeWide(const char16_t* text);

}  // namespace agent
