#include "text_encoding.h"

#include <cctype>
#include <cstring>

namespace talvpkg {

std::string Latin1ToUtf8(const std::string& latin1) {
  std::string utf8;
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

bool ComponentToArchive(const std::filesystem::path& component, std::string* latin1, std::string* problem) {
  latin1->clear();
#ifdef _WIN32
  for (wchar_t unit : component.native()) {
    if (static_cast<unsigned>(unit) > 0xFF) {
      *problem = "a character outside ISO 8859-1";
      return false;
    }
    *latin1 += static_cast<char>(unit);
  }
  return true;
#else
  const std::string& utf8 = component.native();
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      *latin1 += static_cast<char>(c);
      continue;
    }
    // Two-byte sequences C2..C3 cover U+0080..U+00FF; anything longer lies beyond ISO 8859-1.
    const bool continued = i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80;
    if ((c == 0xC2 || c == 0xC3) && continued) {
      *latin1 += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
      continue;
    }
    *problem = c >= 0xC4 && c <= 0xF4 && continued ? "a character outside ISO 8859-1" : "bytes that are not UTF-8";
    return false;
  }
  return true;
#endif
}

std::filesystem::path ArchiveToComponent(const std::string& latin1) {
#ifdef _WIN32
  std::wstring wide;
  for (unsigned char c : latin1) wide += static_cast<wchar_t>(c);
  return std::filesystem::path(wide);
#else
  return std::filesystem::path(Latin1ToUtf8(latin1));
#endif
}

std::string ComponentProblem(const std::string& latin1) {
  if (latin1.empty()) return "an empty name";
  if (latin1 == "." || latin1 == "..") return "the name \"" + latin1 + "\"";
  for (unsigned char c : latin1) {
    if (c < 0x20) return "a control character";
    if (strchr("\\/:*?\"<>|", c) != nullptr) return std::string("the character '") + static_cast<char>(c) + "'";
  }
  const char last = latin1.back();
  if (last == '.' || last == ' ') return "a trailing dot or space";

  std::string stem = latin1.substr(0, latin1.find('.'));
  for (char& c : stem) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  static const char* const kReserved[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* reserved : kReserved) {
    if (stem == reserved) return "the reserved device name " + stem;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
      stem[3] <= '9') {
    return "the reserved device name " + stem;
  }
  return std::string();
}

}  // namespace talvpkg
