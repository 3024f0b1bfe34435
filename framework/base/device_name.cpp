#include "device_name.h"

#include <utility>

namespace talv {
namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string upper;
  for (char16_t c : text) upper.push_back(AsciiUpper(c));
  return upper;
}

// The host reads a device name in the part before the first dot, blanks before that dot ignored: "NUL .txt" is
// NUL too. The superscript digits are the ones the host's code page folds to 1, 2 and 3.
bool IsReservedDeviceName(const std::u16string& stem) {
  const std::u16string upper = AsciiUpper(stem);
  for (const char16_t* name : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"})
    if (upper == name) return true;
  if (upper.size() != 4 || (upper.compare(0, 3, u"COM") != 0 && upper.compare(0, 3, u"LPT") != 0)) return false;
  const char16_t digit = upper[3];
  return (digit >= u'0' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

NameVerdict Verdict(NameProblem problem, char32_t character = 0, std::u16string part = std::u16string()) {
  NameVerdict verdict;
  verdict.problem = problem;
  verdict.character = character;
  verdict.part = std::move(part);
  return verdict;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
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

bool Latin1FromUtf8(std::string_view utf8, std::string* latin1, bool* notUtf8) {
  latin1->clear();
  *notUtf8 = false;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
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
    *notUtf8 = !(c >= 0xC4 && c <= 0xF4 && continued);
    latin1->clear();
    return false;
  }
  return true;
}

NameVerdict JudgeName(std::u16string_view name) {
  if (name.empty()) return Verdict(NameProblem::kEmpty);
  if (name == u"." || name == u"..") return Verdict(NameProblem::kDotName, 0, std::u16string(name));
  for (char16_t c : name) {
    if (c < 0x20) return Verdict(NameProblem::kControlCharacter, c);
    if (c > 0xFF) return Verdict(NameProblem::kOutsideLatin1, c);
    if (c == u'\\' || c == u'/') return Verdict(NameProblem::kSeparator, c);
    if (c == u'*' || c == u'?') return Verdict(NameProblem::kWildcard, c);
    if (std::u16string_view(u":\"<>|").find(c) != std::u16string_view::npos)
      return Verdict(NameProblem::kForbiddenCharacter, c);
  }
  if (name.back() == u'.' || name.back() == u' ') return Verdict(NameProblem::kTrailingDotOrBlank, name.back());
  if (name.size() > kMaxNameLength) return Verdict(NameProblem::kTooLong);
  std::u16string stem(name.substr(0, name.find(u'.')));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  if (IsReservedDeviceName(stem)) return Verdict(NameProblem::kReservedDeviceName, 0, stem);
  return NameVerdict();
}

NameVerdict JudgeNameLatin1(std::string_view latin1) { return JudgeName(WidenLatin1<char16_t>(latin1)); }

std::string DescribeNameProblem(const NameVerdict& verdict) {
  // Only Latin-1 names reach a part (a wider character is reported before), so the conversion cannot fail.
  std::string part;
  const std::u16string upper = AsciiUpper(verdict.part);
  NarrowLatin1(upper.c_str(), upper.size(), &part, '?');
  switch (verdict.problem) {
    case NameProblem::kNone: return std::string();
    case NameProblem::kEmpty: return "an empty name";
    case NameProblem::kDotName: return "the name \"" + part + "\"";  // "." or "..": no case to fold
    case NameProblem::kControlCharacter: return "a control character";
    case NameProblem::kOutsideLatin1: return "a character outside ISO 8859-1";
    case NameProblem::kSeparator:
    case NameProblem::kWildcard:
    case NameProblem::kForbiddenCharacter:
      return std::string("the character '") + static_cast<char>(verdict.character) + "'";
    case NameProblem::kTrailingDotOrBlank: return "a trailing dot or space";
    case NameProblem::kTooLong: return "more than " + std::to_string(kMaxNameLength) + " characters";
    case NameProblem::kReservedDeviceName: return "the reserved device name " + Latin1ToUtf8(part);
  }
  return "a name the handheld cannot hold";
}

}  // namespace talv
