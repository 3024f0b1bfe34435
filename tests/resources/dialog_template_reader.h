// Reads an extended dialog template (DLGTEMPLATEEX) from the program's resources, so that tests can see the
// styles and rectangles as written, before the dialog manager adjusts them (a border becomes a client edge,
// combo boxes and rich edits move their scroll-bar styles elsewhere).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace resources_test {

struct TemplateItem {
  DWORD style = 0, exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::wstring windowClass;  // predefined classes by name ("Button", "Edit", "Static", ...)
  std::wstring title;
  int titleOrdinal = -1;  // a resource number in place of the title (bitmap statics), else -1
};

struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  int pointSize = 0;
  std::wstring typeface;
  std::vector<TemplateItem> items;
};

// False when the resource is missing or is not a well-formed extended template.
bool ReadDialogTemplate(int templateId, DialogTemplate& out, std::string& error);

}  // namespace resources_test
