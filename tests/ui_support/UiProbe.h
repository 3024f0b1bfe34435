// Acting as the user on real windows from another thread (or another process): bounded waits, reading
// control state, posted clicks and keys, and the message boxes the program shows.
#pragma once
#include <windows.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui_test {

// Polls condition until it holds or timeoutMs passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000, DWORD pollMs = 10);

// Window text as the program's narrow text (ISO 8859-1); empty when the window does not answer in time.
std::string TextOf(HWND window);
bool IsShown(HWND window);
bool IsEnabledWindow(HWND window);
std::string ClassOf(HWND window);

// Posts a click, as the user would: only on a shown, enabled button. False otherwise.
bool Click(HWND button);
// Posts a key press (down and up) to a window, as typed while it has the focus.
void PressKey(HWND window, UINT virtualKey);

struct MessageBoxSeen {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::string icon;          // "question", "exclamation", "error", "information" or "none"
  std::vector<int> buttons;  // IDOK, IDYES, IDNO, ... in the box
  std::string Describe() const;
};

// The message boxes now open in processId (dialog windows other than the excluded ones).
std::vector<MessageBoxSeen> OpenMessageBoxes(DWORD processId, const std::vector<HWND>& exclude);
// Waits for one message box; nothing when none came within timeoutMs.
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, const std::vector<HWND>& exclude,
                                                DWORD timeoutMs = 10000);
// Presses button id of the box and waits until it has closed.
bool Answer(const MessageBoxSeen& box, int buttonId, DWORD timeoutMs = 10000);

// Reads a list-view item's image index across threads (or processes).
int ListViewItemImage(HWND listView, int item);
int ListViewItemCount(HWND listView);
std::string ListViewItemText(HWND listView, int item);

}  // namespace ui_test
