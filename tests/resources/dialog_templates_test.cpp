// Creates every dialog template of the installer from the linked resources and checks each control as the
// frame and the pages will find it: id, class, text, key styles and rectangle.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog_template_reader.h"
#include "dialog_template_table.h"
#include "resource.h"

namespace resources_test {
namespace {

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      char buf[12];
      snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(ch));
      out += buf;
    }
  }
  return out;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[1024] = {};
  GetWindowTextW(hwnd, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  GetClassNameW(hwnd, buf, 256);
  return buf;
}

struct DialogWindow {
  HWND hwnd = nullptr;
  explicit DialogWindow(HWND h) : hwnd(h) {}
  ~DialogWindow() {
    if (hwnd) DestroyWindow(hwnd);
  }
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
};

HWND CreateFromTemplate(int templateId, HWND parent) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent, PassiveDialogProc, 0);
}

RECT DialogUnitsToPixels(HWND dialog, int x, int y, int w, int h) {
  RECT r{x, y, x + w, y + h};
  MapDialogRect(dialog, &r);
  return r;
}

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

SIZE BitmapResourceSize(int bitmapId) {
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0));
  SIZE size = BitmapSize(bitmap);
  if (bitmap) DeleteObject(bitmap);
  return size;
}

// The template as written: the styles are checked here, before the dialog manager adjusts them.
void CheckTemplateItem(const TemplateItem& item, const ExpectedControl& want, const std::string& where) {
  SCOPED_TRACE(where + " in the template");
  EXPECT_EQ(item.id, want.id);
  EXPECT_EQ(_wcsicmp(item.windowClass.c_str(), want.windowClass), 0)
      << "class " << Narrow(item.windowClass) << ", expected " << Narrow(want.windowClass);
  if (want.bitmapId != 0) {
    EXPECT_EQ(item.titleOrdinal, want.bitmapId) << "the static must name its bitmap";
  } else {
    EXPECT_EQ(item.title, std::wstring(want.text))
        << "text \"" << Narrow(item.title) << "\"\n expected \"" << Narrow(want.text) << "\"";
  }
  EXPECT_EQ(item.style & want.styleMask, want.style) << std::hex << "style 0x" << item.style << " masked 0x"
                                                     << (item.style & want.styleMask) << ", expected 0x" << want.style;
  EXPECT_EQ(item.exStyle, 0u) << std::hex << "extended style 0x" << item.exStyle;
  EXPECT_EQ(item.x, want.x);
  EXPECT_EQ(item.y, want.y);
  EXPECT_EQ(item.cx, want.w);
  EXPECT_EQ(item.cy, want.h);
}

// The control as the program finds it: its id, class and text, and where it stands in pixels.
void CheckControlWindow(HWND dialog, HWND control, const ExpectedControl& want, const std::string& where) {
  SCOPED_TRACE(where + " as created");
  EXPECT_EQ(GetDlgCtrlID(control), want.id);
  EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), want.windowClass), 0)
      << "class " << Narrow(ClassOf(control)) << ", expected " << Narrow(want.windowClass);
  if (want.bitmapId == 0) {
    EXPECT_EQ(WindowText(control), std::wstring(want.text))
        << "text \"" << Narrow(WindowText(control)) << "\"\n expected \"" << Narrow(want.text) << "\"";
  }
  bool visible = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  EXPECT_EQ(visible, (want.style & WS_VISIBLE) != 0);

  // The dialog manager converts position and size separately, so each is compared that way.
  RECT actual{};
  GetWindowRect(control, &actual);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
  RECT position = DialogUnitsToPixels(dialog, want.x, want.y, 0, 0);
  RECT size = DialogUnitsToPixels(dialog, 0, 0, want.w, want.h);
  std::string rects = "rect " + RectText(actual) + ", expected at (" + std::to_string(position.left) + "," +
                      std::to_string(position.top) + ") size " + std::to_string(size.right) + "x" +
                      std::to_string(size.bottom);
  EXPECT_EQ(actual.left, position.left) << rects;
  EXPECT_EQ(actual.top, position.top) << rects;
  if (want.rectCheck != RectCheck::LeftTop) {
    EXPECT_EQ(actual.right - actual.left, size.right) << rects;
  }
  if (want.rectCheck == RectCheck::Full) {
    EXPECT_EQ(actual.bottom - actual.top, size.bottom) << rects;
  }

  if (want.bitmapId != 0) {
    // The template names the bitmap by number; the static must have loaded it and taken its size.
    HBITMAP shown = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    SIZE shownSize = BitmapSize(shown);
    SIZE resourceSize = BitmapResourceSize(want.bitmapId);
    ASSERT_NE(shown, nullptr) << "no bitmap in the static";
    EXPECT_EQ(shownSize.cx, resourceSize.cx);
    EXPECT_EQ(shownSize.cy, resourceSize.cy);
    EXPECT_EQ(actual.right - actual.left, resourceSize.cx) << rects;
    EXPECT_EQ(actual.bottom - actual.top, resourceSize.cy) << rects;
  }
}

void CheckControls(HWND dialog, const ExpectedTemplate& want) {
  DialogTemplate written;
  std::string error;
  ASSERT_TRUE(ReadDialogTemplate(want.templateId, written, error)) << error;
  EXPECT_EQ(written.pointSize, 8) << want.name;
  EXPECT_EQ(written.typeface, L"Arial") << want.name;
  EXPECT_EQ(written.cx, want.width) << want.name;
  EXPECT_EQ(written.cy, want.height) << want.name;
  ASSERT_EQ(written.items.size(), want.controls.size()) << want.name << ": number of controls in the template";

  size_t index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++index) {
    if (index >= want.controls.size()) {
      ADD_FAILURE() << want.name << ": unexpected control " << index << " id " << GetDlgCtrlID(child) << " class "
                    << Narrow(ClassOf(child)) << " text \"" << Narrow(WindowText(child)) << "\"";
      continue;
    }
    std::string where = std::string(want.name) + ", control " + std::to_string(index) + " (id " +
                        std::to_string(want.controls[index].id) + ")";
    CheckTemplateItem(written.items[index], want.controls[index], where);
    CheckControlWindow(dialog, child, want.controls[index], where);
  }
  EXPECT_EQ(index, want.controls.size()) << want.name << ": number of controls created";
}

void CheckClientSize(HWND dialog, const ExpectedTemplate& want) {
  RECT client{};
  GetClientRect(dialog, &client);
  RECT expected = DialogUnitsToPixels(dialog, 0, 0, want.width, want.height);
  EXPECT_EQ(client.right, expected.right) << want.name << ": client width";
  EXPECT_EQ(client.bottom, expected.bottom) << want.name << ": client height";
}

// The templates ask for Arial 8 pt; the dialog manager creates that font for every control.
void CheckFont(HWND dialog, const char* name) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr) << name << ": no dialog font";
  LOGFONTW logFont{};
  ASSERT_NE(GetObjectW(font, sizeof logFont, &logFont), 0);
  EXPECT_STREQ(logFont.lfFaceName, L"Arial") << name;
  HDC screen = GetDC(nullptr);
  int expectedHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(logFont.lfHeight, expectedHeight) << name;
}

class DialogTemplates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // Template 135 holds a Rich Edit 1.0 control, whose class this library registers.
    richEdit_ = LoadLibraryW(L"RICHED32.DLL");
  }
  static HMODULE richEdit_;
};
HMODULE DialogTemplates::richEdit_ = nullptr;

TEST_F(DialogTemplates, FrameIsAModalPopupWithCaptionAndItsControls) {
  const ExpectedTemplate& want = FrameTemplate();
  DialogWindow frame(CreateFromTemplate(want.templateId, nullptr));
  ASSERT_NE(frame.hwnd, nullptr) << "CreateDialogParamW(133) failed, error " << GetLastError();

  DWORD style = static_cast<DWORD>(GetWindowLongW(frame.hwnd, GWL_STYLE));
  EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU)
      << std::hex << style;
  EXPECT_NE(GetWindowLongW(frame.hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0) << "modal frame";
  EXPECT_EQ(style & WS_THICKFRAME, 0u) << "the wizard is not resizable";
  EXPECT_EQ(WindowText(frame.hwnd), want.caption);
  CheckClientSize(frame.hwnd, want);
  CheckFont(frame.hwnd, want.name);
  CheckControls(frame.hwnd, want);
}

TEST_F(DialogTemplates, PagesAreHiddenChildDialogsWithoutCaption) {
  ASSERT_NE(richEdit_, nullptr) << "RICHED32.DLL did not load";
  DialogWindow frame(CreateFromTemplate(IDD_WIZARD_INSTALLER, nullptr));
  ASSERT_NE(frame.hwnd, nullptr);
  for (const ExpectedTemplate& want : PageTemplates()) {
    SCOPED_TRACE(want.name);
    DialogWindow page(CreateFromTemplate(want.templateId, frame.hwnd));
    ASSERT_NE(page.hwnd, nullptr) << "CreateDialogParamW failed, error " << GetLastError();
    EXPECT_EQ(GetParent(page.hwnd), frame.hwnd);
    DWORD style = static_cast<DWORD>(GetWindowLongW(page.hwnd, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CHILD))
        << std::hex << style;
    // DS_CONTROL: the frame's dialog navigation treats the page as part of itself and tabs into it.
    EXPECT_NE(GetWindowLongW(page.hwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(WindowText(page.hwnd), want.caption);
    CheckClientSize(page.hwnd, want);
    CheckFont(page.hwnd, want.name);
    CheckControls(page.hwnd, want);
  }
}

// Every page fits the frame's page area exactly: the frame moves the page onto that rectangle.
TEST_F(DialogTemplates, PageAreaHasThePageSize) {
  DialogWindow frame(CreateFromTemplate(IDD_WIZARD_INSTALLER, nullptr));
  ASSERT_NE(frame.hwnd, nullptr);
  DialogWindow page(CreateFromTemplate(IDD_PAGE_WELCOME, frame.hwnd));
  ASSERT_NE(page.hwnd, nullptr);
  RECT area{}, client{};
  GetWindowRect(GetDlgItem(frame.hwnd, IDC_PAGE_AREA), &area);
  GetClientRect(page.hwnd, &client);
  EXPECT_EQ(area.right - area.left, client.right);
  EXPECT_EQ(area.bottom - area.top, client.bottom);
}

}  // namespace
}  // namespace resources_test
