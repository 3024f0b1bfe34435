// How the wizard ends: the cancel question for each product, Enter and Escape forwarded from the pages,
// the close box, and the clean-up that every way of ending owes (temporary files, the device agent).
#include <gtest/gtest.h>
#include <vector>
#include "WizardDriver.h"
#include "resource.h"

using namespace ui_test;

namespace {

const std::vector<PackageEntry> kOneFile = {{"a.txt", "[PRG]", "abc"}};

bool SameBitmap(HBITMAP a, HBITMAP b) {
  BITMAP ba = {}, bb = {};
  if (!::GetObjectW(a, sizeof ba, &ba) || !::GetObjectW(b, sizeof bb, &bb)) return false;
  if (ba.bmWidth != bb.bmWidth || ba.bmHeight != bb.bmHeight) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = ba.bmWidth;
  info.bmiHeader.biHeight = ba.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<unsigned char> pa(ba.bmWidth * ba.bmHeight * 4), pb(pa.size());
  HDC dc = ::GetDC(nullptr);
  ::GetDIBits(dc, a, 0, ba.bmHeight, pa.data(), &info, DIB_RGB_COLORS);
  ::GetDIBits(dc, b, 0, bb.bmHeight, pb.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  return pa == pb;
}

bool BannerIs(const WizardSession& wizard, int bitmapId) {
  HBITMAP shown =
      reinterpret_cast<HBITMAP>(::SendMessageW(wizard.FrameControl(IDC_HEADER), STM_GETIMAGE, IMAGE_BITMAP, 0));
  HBITMAP expected = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId));
  bool same = SameBitmap(shown, expected);
  ::DeleteObject(expected);
  return same;
}

// What the header control handed back whenever its picture was replaced: the first is the template's, which
// the frame must delete.
std::vector<HBITMAP> g_replacedHeaderImages;
LRESULT CALLBACK RecordReplacedHeaderImages(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == STM_SETIMAGE && ::GetDlgCtrlID(call->hwnd) == IDC_HEADER &&
      call->lResult != 0)
    g_replacedHeaderImages.push_back(reinterpret_cast<HBITMAP>(call->lResult));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class EndingTest : public WizardTest {
 protected:
  std::wstring TempFile(const wchar_t* name) const { return TempFolder() + L"\\temp\\" + name; }
  bool TempFilesGone() const { return !FileExists(TempFile(L"TFInst.zip")) && !FileExists(TempFile(L"TFInst.pkg")); }
};

struct CancelCase {
  const char* label;
  bool packageOfFendro;
  const char* question;
  int banner;
};

TEST_F(EndingTest, CancelAsksAboutTheProductOfThePackage) {
  const CancelCase cases[] = {
      {"no package", false, "Sei sicuro di voler annullare l'installazione di Talvenia?", IDB_BANNER_TALVENIA},
      {"Fendro package", true, "Sei sicuro di voler annullare l'installazione di Fendro?", IDB_BANNER_FENDRO},
  };
  for (const CancelCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    if (c.packageOfFendro) PlacePackage("Fendro_base.pkg", ArchiveBytes(0, 0, kOneFile));
    g_replacedHeaderImages.clear();
    HHOOK hook = nullptr;
    wizard.onUiThread = [&] {
      hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, RecordReplacedHeaderImages, nullptr, ::GetCurrentThreadId());
    };
    ASSERT_TRUE(StartWizard());
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(BannerIs(wizard, c.banner)) << "wrong banner";
    ASSERT_EQ(g_replacedHeaderImages.size(), 1u) << "the template's picture should have come back once";
    EXPECT_EQ(::GetObjectType(g_replacedHeaderImages[0]), 0u) << "the template's picture was not deleted";

    // No: the wizard stays where it was.
    ASSERT_TRUE(wizard.ClickCancel());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "Installazione");
    EXPECT_EQ(box->text, c.question);
    EXPECT_EQ(box->icon, "question");
    EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
    ASSERT_TRUE(Answer(*box, IDNO));
    EXPECT_TRUE(wizard.Running());
    EXPECT_EQ(wizard.Step(), kPageWelcome);

    // Yes: the dialog ends as cancelled.
    ASSERT_TRUE(wizard.ClickCancel());
    box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    ASSERT_TRUE(Answer(*box, IDYES));
    INT_PTR result = 0;
    ASSERT_TRUE(wizard.WaitForEnd(10000, &result));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(TempFilesGone());
  }
}

TEST_F(EndingTest, ConfirmedCancelDeletesTheDeviceAgent) {
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(WriteWholeFile(DevicePath("\\Windows\\TalveniaGDFS.exe"), "agent"));
  ASSERT_TRUE(ReachStep(kPageConnection));  // the link is open from here on
  ASSERT_TRUE(wizard.ClickCancel());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value());
  ASSERT_TRUE(Answer(*box, IDYES));
  ASSERT_TRUE(wizard.WaitForEnd(10000));
  EXPECT_FALSE(FileExists(DevicePath("\\Windows\\TalveniaGDFS.exe")));
}

struct KeyCase {
  const char* label;
  int step;
  int control;  // the page control that has the key
  UINT key;
  INT_PTR result;
};

TEST_F(EndingTest, EnterAndEscapeInsideAPageEndTheWizardThroughTheFrame) {
  const KeyCase cases[] = {
      {"Escape in the licence text", kPageLicense, IDC_LICENSE_TEXT, VK_ESCAPE, IDCANCEL},
      {"Enter in the licence text", kPageLicense, IDC_LICENSE_TEXT, VK_RETURN, IDOK},
      {"Escape on the accept box", kPageLicense, IDC_ACCEPT, VK_ESCAPE, IDCANCEL},
      {"Enter on the refresh button", kPageConnection, IDC_REFRESH_CONNECTION, VK_RETURN, IDOK},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.label);
    PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 0, kOneFile));
    ASSERT_TRUE(StartWizard());
    ASSERT_TRUE(FileExists(TempFile(L"TFInst.pkg")));
    ASSERT_TRUE(ReachStep(c.step));
    HWND control = wizard.PageControl(c.control);
    ASSERT_NE(control, nullptr);
    PressKey(control, c.key);
    INT_PTR result = 0;
    ASSERT_TRUE(wizard.WaitForEnd(10000, &result)) << "the key did not end the wizard";
    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(TempFilesGone());
  }
}

TEST_F(EndingTest, CloseBoxEndsWithoutAskingAndCleansUp) {
  PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 0, kOneFile));
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(WriteWholeFile(DevicePath("\\Windows\\TalveniaGDFS.exe"), "agent"));
  ASSERT_TRUE(ReachStep(kPageConnection));
  ::PostMessageW(wizard.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
  INT_PTR result = 0;
  ASSERT_TRUE(wizard.WaitForEnd(10000, &result));
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(TempFilesGone());
  EXPECT_TRUE(FileExists(DevicePath("\\Windows\\TalveniaGDFS.exe"))) << "only Fine and Cancel remove the agent";
}

}  // namespace
