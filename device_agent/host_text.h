// What a host stands in for on the handheld's behalf: the argument text of a host command line, and the
// handheld runtime's text-mode output of wide strings. Used by the emulated handheld's build and the tests;
// the Windows CE build needs neither (the handheld gives the arguments and writes text mode itself).
#pragma once

#include <string>

namespace agent {

// The argument text of a host process command line, as Windows CE hands it to WinMain: the program name is
// skipped (up to the closing quote when it starts with one, else up to the first blank or tab), then exactly
// one separating blank or tab. Everything after that is returned unchanged, leading and trailing blanks
// included, so a host process sees the device command line exactly as given to the emulated process start.
const char16_t* ArgumentsFromHostCommandLine(const char16_t* commandLine);

// How the handheld's runtime library writes a wide string to a text-mode stream: each unit as one narrow
// (ANSI) character and each line feed as carriage return + line feed. Units outside ASCII become '?', the
// system's default character for what the code page cannot hold; the agent's own texts are pure ASCII.
std::string EncodeTextModeWide(const char16_t* text);

}  // namespace agent
