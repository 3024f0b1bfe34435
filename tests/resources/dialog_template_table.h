// What every dialog template of the installer must create: the controls in template order, with their id,
// window class, text, key style bits and rectangle in dialog units.
#pragma once

#include <windows.h>

#include <vector>

namespace resources_test {

enum class RectCheck {
  Full,          // left, top, width, height as the template gives them
  LeftTopWidth,  // combo boxes: the height in the template is the dropped-down list's
  LeftTop,       // bitmap statics take the size of their bitmap
};

struct ExpectedControl {
  int id;
  const wchar_t* windowClass;
  const wchar_t* text;
  DWORD styleMask;  // the bits of the style that are checked ...
  DWORD style;      // ... and the value they must have
  int x, y, w, h;   // dialog units
  RectCheck rectCheck = RectCheck::Full;
  int bitmapId = 0;  // bitmap statics: the bitmap resource the template names
};

struct ExpectedTemplate {
  int templateId;
  const char* name;
  const wchar_t* caption;
  int width, height;  // dialog units
  std::vector<ExpectedControl> controls;
};

const ExpectedTemplate& FrameTemplate();
const std::vector<ExpectedTemplate>& PageTemplates();

}  // namespace resources_test
