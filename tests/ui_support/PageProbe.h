// Telling the wizard's pages apart by their controls; works on another process's windows too.
#pragma once
#include <windows.h>

namespace ui_test {

// The step a page window shows (0..6), told by its controls; -1 when it is none of the wizard's pages.
int StepOfPage(HWND page);
// The page window now shown in a wizard frame (null during a page switch).
HWND ShownPage(HWND frame);

}  // namespace ui_test
