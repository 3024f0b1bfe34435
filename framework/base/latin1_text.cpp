#include "latin1_text.h"

namespace base {

std::wstring Widen(const char* text) {
  std::wstring out;
  if (text == nullptr) return out;
  for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  return out;
}

std::wstring Widen(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const wchar_t* p = text; *p != L'\0'; ++p) out.push_back(*p <= 0xFF ? static_cast<char>(*p) : '?');
  return out;
}

std::string Narrow(const std::wstring& text) { return Narrow(text.c_str()); }

}  // namespace base
