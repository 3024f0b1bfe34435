#include "latin1_text.h"

#include <cstdint>

#include "device_name.h"

namespace base {

std::wstring Widen(const char* text) { return text == nullptr ? std::wstring() : Widen(std::string(text)); }

std::wstring Widen(const std::string& text) { return talv::WidenLatin1<wchar_t>(text); }

std::string Narrow(const wchar_t* text) {
  std::string out;
  talv::NarrowLatin1(text, SIZE_MAX, &out, '?');
  return out;
}

std::string Narrow(const std::wstring& text) { return Narrow(text.c_str()); }

}  // namespace base
