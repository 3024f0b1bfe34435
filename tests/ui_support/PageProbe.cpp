#include "PageProbe.h"

#include "UiProbe.h"
#include "WizardMessages.h"
#include "resource.h"

namespace ui_test {

namespace {
std::string GroupText(HWND page) {
  for (HWND child = ::GetWindow(page, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == "Button" && (::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
      return TextOf(child);
  return std::string();
}
}  // namespace

int StepOfPage(HWND page) {
  if (page == nullptr) return -1;
  if (::GetDlgItem(page, IDC_LICENSE_TEXT) != nullptr) return kPageLicense;
  if (::GetDlgItem(page, IDC_CONNECTION_PICTURE) != nullptr) return kPageConnection;
  if (::GetDlgItem(page, IDC_DESTINATION) != nullptr) return kPageDestination;
  if (::GetDlgItem(page, IDC_DESTINATION_FOLDER) != nullptr) return kPageReadyToInstall;
  if (::GetDlgItem(page, IDC_LOG) != nullptr) return kPageInstallation;
  const std::string group = GroupText(page);
  if (group.rfind("Benvenuto", 0) == 0) return kPageWelcome;
  if (group == "Fine installazione") return kPageEndInstall;
  return -1;
}

HWND ShownPage(HWND frame) {
  if (frame == nullptr) return nullptr;
  for (HWND child = ::GetWindow(frame, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == "#32770" && ::IsWindowVisible(child)) return child;
  return nullptr;
}

}  // namespace ui_test
