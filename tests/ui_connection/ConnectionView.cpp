#include "ConnectionView.h"

#include <vector>
#include "resource.h"

namespace connection_test {
namespace {

std::vector<unsigned char> Pixels(HBITMAP bitmap, BITMAP* shape) {
  if (bitmap == nullptr || !::GetObjectW(bitmap, sizeof *shape, shape)) return {};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = shape->bmWidth;
  info.bmiHeader.biHeight = shape->bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<unsigned char> pixels(static_cast<size_t>(shape->bmWidth) * shape->bmHeight * 4);
  HDC dc = ::GetDC(nullptr);
  const int rows = ::GetDIBits(dc, bitmap, 0, shape->bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  return rows == shape->bmHeight ? pixels : std::vector<unsigned char>{};
}

bool ShowsResourceBitmap(HBITMAP shown, int id) {
  HBITMAP expected = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  BITMAP a = {}, b = {};
  const std::vector<unsigned char> want = Pixels(expected, &a);
  const std::vector<unsigned char> got = Pixels(shown, &b);
  ::DeleteObject(expected);
  return !want.empty() && a.bmWidth == b.bmWidth && a.bmHeight == b.bmHeight && want == got;
}

}  // namespace

std::string ConnectionView::Describe() const {
  const char* pictureName = picture == IDB_CONNECTED       ? "connected (130)"
                            : picture == IDB_NOT_CONNECTED ? "not connected (129)"
                                                           : "other or none";
  return std::string("picture ") + pictureName + ", sentence \"" + sentence + "\", \"Aggiorna\" " +
         (refreshEnabled ? "enabled" : "greyed");
}

ConnectionView ReadConnectionPage(const ui_test::WizardSession& wizard) {
  ConnectionView view;
  HWND picture = wizard.PageControl(IDC_CONNECTION_PICTURE);
  HBITMAP shown = reinterpret_cast<HBITMAP>(::SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
  if (ShowsResourceBitmap(shown, IDB_CONNECTED))
    view.picture = IDB_CONNECTED;
  else if (ShowsResourceBitmap(shown, IDB_NOT_CONNECTED))
    view.picture = IDB_NOT_CONNECTED;
  view.sentence = ui_test::TextOf(wizard.PageControl(IDC_CONNECTION_RESULT));
  view.refreshEnabled = ui_test::IsEnabledWindow(wizard.PageControl(IDC_REFRESH_CONNECTION));
  return view;
}

bool WaitForOutcome(const ui_test::WizardSession& wizard, DWORD timeoutMs) {
  return ui_test::WaitUntil(
      [&] {
        const ConnectionView view = ReadConnectionPage(wizard);
        return view.refreshEnabled && (view.sentence == kOkSentence || view.sentence == kErrorSentence);
      },
      timeoutMs);
}

}  // namespace connection_test
