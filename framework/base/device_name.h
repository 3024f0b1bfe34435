// Names on the handheld: their text and the one rule for which names a folder or file may have.
//
// The handheld's names are ISO 8859-1: every byte of narrow text is the UTF-16 code unit of the same value.
// Every program of the system converts through the templates below and judges names with JudgeName, so the
// package tool, the emulated handheld and the installer cannot disagree about a name: a package the tool
// passes is one the handheld takes. Portable: no Windows headers (wchar_t is UTF-16 on Windows only, so the
// conversions are templates over the code unit type).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talv {

// The longest single name the handheld's file systems (and the host's, for the emulated handheld) store.
constexpr std::size_t kMaxNameLength = 255;

// Narrow text as code units: byte b becomes unit b.
template <typename Unit>
std::basic_string<Unit> WidenLatin1(std::string_view narrow) {
  std::basic_string<Unit> units;
  units.reserve(narrow.size());
  for (char c : narrow) units.push_back(static_cast<Unit>(static_cast<unsigned char>(c)));
  return units;
}

// Code units as narrow text, reading at most maxUnits units and stopping at a zero unit (fixed-size name fields
// need not be terminated). A unit above 255 has no narrow form: with replacement 0 the conversion fails (out
// empty), otherwise the unit becomes replacement. A null pointer fails.
template <typename Unit>
bool NarrowLatin1(const Unit* units, std::size_t maxUnits, std::string* out, char replacement = 0) {
  out->clear();
  if (units == nullptr) return false;
  for (std::size_t i = 0; i < maxUnits && units[i] != 0; ++i) {
    const auto unit = static_cast<unsigned long>(units[i]);
    if (unit > 0xFF && replacement == 0) {
      out->clear();
      return false;
    }
    out->push_back(unit > 0xFF ? replacement : static_cast<char>(static_cast<unsigned char>(unit)));
  }
  return true;
}

// Letter case as the handheld ignores it when it compares names: the ASCII letters and the ISO 8859-1 letters
// a-z and U+00E0-U+00FE (not the division sign U+00F7) fold to their capitals A-Z and U+00C0-U+00DE. The small
// letters without a capital in ISO 8859-1 (sharp s, y with diaeresis, micro sign) compare as themselves: their
// capitals lie beyond ISO 8859-1, where no name of the handheld reaches. Every program of the system that
// compares names without regard to case folds through these two, so none can find two files where the handheld
// finds one.
constexpr char32_t FoldNameCase(char32_t unit) {
  const bool small = (unit >= U'a' && unit <= U'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7);
  return small ? unit - 0x20 : unit;
}

// Equal names (or paths) ignoring case as above; any text of code units (narrow Latin-1 text too).
template <typename Text>
bool SameNameNoCase(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto unitA = a[i];
    const auto unitB = b[i];
    using Unit = decltype(unitA);
    const auto code = [](Unit unit) {
      return sizeof(Unit) == 1 ? static_cast<char32_t>(static_cast<unsigned char>(unit)) : static_cast<char32_t>(unit);
    };
    if (FoldNameCase(code(unitA)) != FoldNameCase(code(unitB))) return false;
  }
  return true;
}

// Host names on Linux are UTF-8. Latin1ToUtf8 never fails; Latin1FromUtf8 fails (out empty) for bytes that are
// not UTF-8 (notUtf8 set) or a character beyond U+00FF (notUtf8 clear).
std::string Latin1ToUtf8(std::string_view latin1);
bool Latin1FromUtf8(std::string_view utf8, std::string* latin1, bool* notUtf8);

// Why a name cannot be one folder or file name on the handheld.
enum class NameProblem {
  kNone,
  kEmpty,
  kDotName,             // "." or ".."
  kControlCharacter,    // below U+0020
  kOutsideLatin1,       // above U+00FF: no narrow form, the installer cannot name it
  kSeparator,           // '\' or '/'
  kWildcard,            // '*' or '?'
  kForbiddenCharacter,  // ':' '"' '<' '>' '|'
  kTrailingDotOrBlank,  // the host drops it, so the name would address another file
  kTooLong,             // over kMaxNameLength characters
  kReservedDeviceName,  // CON, NUL, COM1, CONIN$, ... in any case, with any extension
};

struct NameVerdict {
  NameProblem problem = NameProblem::kNone;
  char32_t character = 0;  // the offending character, for the character problems
  std::u16string part;     // the reserved device name as written (no extension), or the dot name
  explicit operator bool() const { return problem == NameProblem::kNone; }
};

// The first problem of a name, in the order of the enumeration (kNone when the name is allowed).
NameVerdict JudgeName(std::u16string_view name);
NameVerdict JudgeNameLatin1(std::string_view latin1);

// The problem in words, for messages (UTF-8), e.g. "the reserved device name CONIN$", "the character ':'".
std::string DescribeNameProblem(const NameVerdict& verdict);

}  // namespace talv
