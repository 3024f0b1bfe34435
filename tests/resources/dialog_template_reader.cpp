#include "dialog_template_reader.h"

#include <cstring>

namespace resources_test {
namespace {

class Cursor {
 public:
  Cursor(const BYTE* begin, size_t size) : begin_(begin), at_(begin), end_(begin + size) {}

  bool Word(WORD& value) { return Take(&value, sizeof value); }
  bool Dword(DWORD& value) { return Take(&value, sizeof value); }
  bool Short(int& value) {
    SHORT s;
    if (!Take(&s, sizeof s)) return false;
    value = s;
    return true;
  }
  bool Byte(BYTE& value) { return Take(&value, 1); }
  bool Skip(size_t n) {
    if (static_cast<size_t>(end_ - at_) < n) return false;
    at_ += n;
    return true;
  }
  bool AlignToDword() { return Skip((4 - (at_ - begin_) % 4) % 4); }

  bool String(std::wstring& out) {
    out.clear();
    for (WORD ch; Word(ch);) {
      if (ch == 0) return true;
      out += static_cast<wchar_t>(ch);
    }
    return false;
  }

  // A name or a number: 0x0000 for none, 0xFFFF and a number, or a NUL-terminated string.
  bool StringOrOrdinal(std::wstring& text, int& ordinal) {
    ordinal = -1;
    text.clear();
    WORD first;
    if (!Word(first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) {
      WORD number;
      if (!Word(number)) return false;
      ordinal = number;
      return true;
    }
    text += static_cast<wchar_t>(first);
    std::wstring rest;
    if (!String(rest)) return false;
    text += rest;
    return true;
  }

 private:
  bool Take(void* out, size_t n) {
    if (static_cast<size_t>(end_ - at_) < n) return false;
    memcpy(out, at_, n);
    at_ += n;
    return true;
  }
  const BYTE* begin_;
  const BYTE* at_;
  const BYTE* end_;
};

std::wstring PredefinedClass(int ordinal) {
  switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return L"#" + std::to_wstring(ordinal);
  }
}

}  // namespace

bool ReadDialogTemplate(int templateId, DialogTemplate& out, std::string& error) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (!found) {
    error = "no dialog resource " + std::to_string(templateId);
    return false;
  }
  Cursor c(static_cast<const BYTE*>(LockResource(LoadResource(self, found))), SizeofResource(self, found));

  WORD version, signature, count;
  DWORD helpId;
  if (!c.Word(version) || !c.Word(signature) || version != 1 || signature != 0xFFFF) {
    error = "not an extended dialog template";
    return false;
  }
  std::wstring menu, windowClass;
  int menuOrdinal, classOrdinal;
  bool ok = c.Dword(helpId) && c.Dword(out.exStyle) && c.Dword(out.style) && c.Word(count) && c.Short(out.x) &&
            c.Short(out.y) && c.Short(out.cx) && c.Short(out.cy) && c.StringOrOrdinal(menu, menuOrdinal) &&
            c.StringOrOrdinal(windowClass, classOrdinal) && c.String(out.title);
  if (ok && (out.style & (DS_SETFONT | DS_SHELLFONT))) {
    WORD points, weight;
    BYTE italic, charset;
    ok = c.Word(points) && c.Word(weight) && c.Byte(italic) && c.Byte(charset) && c.String(out.typeface);
    out.pointSize = points;
  }
  for (WORD i = 0; ok && i < count; ++i) {
    TemplateItem item;
    DWORD id;
    WORD extra;
    int classNumber;
    ok = c.AlignToDword() && c.Dword(helpId) && c.Dword(item.exStyle) && c.Dword(item.style) && c.Short(item.x) &&
         c.Short(item.y) && c.Short(item.cx) && c.Short(item.cy) && c.Dword(id) &&
         c.StringOrOrdinal(item.windowClass, classNumber) && c.StringOrOrdinal(item.title, item.titleOrdinal) &&
         c.Word(extra) && c.Skip(extra);
    item.id = static_cast<int>(id);
    if (classNumber >= 0) item.windowClass = PredefinedClass(classNumber);
    out.items.push_back(item);
  }
  if (!ok) error = "template " + std::to_string(templateId) + " is cut short";
  return ok;
}

}  // namespace resources_test
