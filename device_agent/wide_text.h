// The few wide-string operations of the agent, done here rather than through the platform's runtime library
// so that they behave identically on the handheld, the emulated handheld and the build machine.
#pragma once

#include <cstddef>
#include <string>

namespace agent {

// Exact, case-sensitive comparison of two zero-terminated strings.
bool WideEquals(const char16_t* left, const char16_t* right);

// Copies up to and including the terminator; stops short and terminates when `capacity` would be exceeded.
void WideCopy(char16_t* destination, std::size_t capacity, const char16_t* source);

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
