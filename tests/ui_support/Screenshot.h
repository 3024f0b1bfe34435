// Screen captures of a window, saved as PNG: what a test or the demo saw.
#pragma once
#include <windows.h>
#include <string>

namespace ui_test {

// Copies the window's rectangle from the screen and writes it as a 24-bit PNG file.
bool SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace ui_test
