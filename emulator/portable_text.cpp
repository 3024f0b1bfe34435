#include "portable_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>

#include "device_name.h"

namespace emu {

bool EqualOrdinalNoCase(const std::wstring& a, const std::wstring& b) { return talv::SameNameNoCase(a, b); }

#ifdef _WIN32

namespace {
std::wstring Decode(UINT codePage, DWORD flags, const std::string& bytes, bool* ok) {
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  *ok = units > 0;
  if (units <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), size, &text[0], units);
  return text;
}
}  // namespace

bool DecodeUtf8Strict(const std::string& bytes, std::wstring* text) {
  bool ok = false;
  std::wstring decoded = Decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, &ok);
  if (ok) *text = decoded;
  return ok;
}

std::wstring DecodeAnsi(const std::string& bytes) {
  bool ok = false;
  return Decode(CP_ACP, 0, bytes, &ok);
}

#else

namespace {

void PushUtf16(char32_t code, std::wstring* text) {
  if (code < 0x10000) {
    text->push_back(static_cast<wchar_t>(code));
    return;
  }
  code -= 0x10000;
  text->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
  text->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
}

// Windows-1252's bytes 0x80-0x9F; the five it leaves undefined map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

bool DecodeUtf8Strict(const std::string& bytes, std::wstring* text) {
  std::wstring out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    int extra = 0;
    char32_t code = 0, least = 0;
    if (lead < 0x80) {
      code = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (extra > 0 && i + extra >= bytes.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    PushUtf16(code, &out);
    i += 1 + extra;
  }
  *text = out;
  return true;
}

std::wstring DecodeAnsi(const std::string& bytes) {
  std::wstring text;
  for (char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    text.push_back(static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b));
  }
  return text;
}

#endif

}  // namespace emu
