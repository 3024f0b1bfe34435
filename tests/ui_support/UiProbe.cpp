#include "UiProbe.h"

#include <commctrl.h>
#include <algorithm>
#include <sstream>

#include "latin1_text.h"

namespace ui_test {

namespace {
constexpr UINT kAnswerTimeoutMs = 5000;

std::string Latin1(const std::wstring& wide) { return base::Narrow(wide); }

std::string IconName(HICON icon) {
  if (icon == nullptr) return "none";
  struct Known {
    LPCWSTR id;
    const char* name;
  };
  const Known known[] = {{MAKEINTRESOURCEW(32514), "question"},      // IDI_QUESTION
                         {MAKEINTRESOURCEW(32515), "exclamation"},   // IDI_EXCLAMATION
                         {MAKEINTRESOURCEW(32513), "error"},         // IDI_HAND
                         {MAKEINTRESOURCEW(32516), "information"}};  // IDI_ASTERISK
  for (const Known& k : known)
    if (::LoadIconW(nullptr, k.id) == icon) return k.name;
  return "other";
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount() - start >= timeoutMs) return condition();
    ::Sleep(pollMs);
  }
}

std::string TextOf(HWND window) {
  if (window == nullptr) return std::string();
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &length)) return "";
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                             kAnswerTimeoutMs, &copied))
    return "";
  buffer.resize(copied);
  return Latin1(buffer);
}

bool IsShown(HWND window) { return window != nullptr && ::IsWindowVisible(window); }

bool IsEnabledWindow(HWND window) { return window != nullptr && ::IsWindowEnabled(window); }

std::string ClassOf(HWND window) {
  wchar_t name[128] = {};
  ::GetClassNameW(window, name, 128);
  return Latin1(name);
}

bool Click(HWND button) {
  if (!IsShown(button) || !IsEnabledWindow(button)) return false;
  return ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

void PressKey(HWND window, UINT virtualKey) {
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  ::PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

std::string MessageBoxSeen::Describe() const {
  std::ostringstream out;
  out << "message box caption=\"" << caption << "\" text=\"" << text << "\" icon=" << icon << " buttons=";
  for (int b : buttons) out << b << ' ';
  return out.str();
}

namespace {
struct Search {
  DWORD processId;
  const std::vector<HWND>* exclude;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId || !::IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  if (std::find(search->exclude->begin(), search->exclude->end(), window) != search->exclude->end()) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

MessageBoxSeen Inspect(HWND box) {
  MessageBoxSeen seen;
  seen.window = box;
  seen.caption = TextOf(box);
  seen.icon = "none";
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const std::string cls = ClassOf(child);
    if (cls == "Button") {
      if (::IsWindowVisible(child)) seen.buttons.push_back(::GetDlgCtrlID(child));
    } else if (cls == "Static") {
      const LONG style = ::GetWindowLongW(child, GWL_STYLE);
      if ((style & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        ::SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &icon);
        seen.icon = IconName(reinterpret_cast<HICON>(icon));
      } else {
        std::string text = TextOf(child);
        if (text.size() > seen.text.size()) seen.text = text;
      }
    }
  }
  std::sort(seen.buttons.begin(), seen.buttons.end());
  return seen;
}
}  // namespace

std::vector<MessageBoxSeen> OpenMessageBoxes(DWORD processId, const std::vector<HWND>& exclude) {
  Search search{processId, &exclude, {}};
  ::EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
  std::vector<MessageBoxSeen> boxes;
  for (HWND h : search.found) boxes.push_back(Inspect(h));
  return boxes;
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, const std::vector<HWND>& exclude, DWORD timeoutMs) {
  std::optional<MessageBoxSeen> seen;
  WaitUntil(
      [&] {
        std::vector<MessageBoxSeen> boxes = OpenMessageBoxes(processId, exclude);
        // A box is ready once its buttons exist.
        for (MessageBoxSeen& b : boxes)
          if (!b.buttons.empty()) {
            seen = b;
            return true;
          }
        return false;
      },
      timeoutMs);
  return seen;
}

bool Answer(const MessageBoxSeen& box, int buttonId, DWORD timeoutMs) {
  HWND button = ::GetDlgItem(box.window, buttonId);
  if (button == nullptr) return false;
  ::PostMessageW(button, BM_CLICK, 0, 0);
  return WaitUntil([&] { return !::IsWindow(box.window); }, timeoutMs);
}

int ListViewItemImage(HWND listView, int item) {
  LVITEMW lv = {};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  DWORD_PTR ok = 0;
  if (!::SendMessageTimeoutW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv), SMTO_NORMAL, kAnswerTimeoutMs,
                             &ok) ||
      !ok)
    return -1;
  return lv.iImage;
}

int ListViewItemCount(HWND listView) {
  DWORD_PTR count = 0;
  ::SendMessageTimeoutW(listView, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &count);
  return static_cast<int>(count);
}

std::string ListViewItemText(HWND listView, int item) {
  wchar_t buffer[256] = {};
  LVITEMW lv = {};
  lv.iSubItem = 0;
  lv.pszText = buffer;
  lv.cchTextMax = 256;
  DWORD_PTR length = 0;
  ::SendMessageTimeoutW(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv), SMTO_NORMAL, kAnswerTimeoutMs,
                        &length);
  return Latin1(buffer);
}

}  // namespace ui_test
