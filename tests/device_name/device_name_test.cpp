// One table of names and the verdict every judge of names must reach: the rule itself (on UTF-16 and on narrow
// text), the emulated handheld, the survey's volume check and talvpkg verify. A package that verify passes is
// one the handheld takes; a name verify refuses is refused with the rule's reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_name.h"
#include "device_path_map.h"
#include "package_commands.h"
#include "package_writer.h"
#include "portable_text.h"
#include "storage_survey.h"
#include "test_support.h"

namespace {

using package_test::ScratchDir;
using talv::NameProblem;

struct NameCase {
  std::u16string name;
  NameProblem problem;
  const char* reason;  // part of DescribeNameProblem's text; empty for an allowed name
};

const std::vector<NameCase>& Cases() {
  static const std::vector<NameCase> cases = {
      {u"Talvenia.exe", NameProblem::kNone, ""},
      {u"Perch\u00E9 s\u00EC.txt", NameProblem::kNone, ""},
      {u"a.b.c", NameProblem::kNone, ""},
      {u"CONSOLE", NameProblem::kNone, ""},
      {u"COM10", NameProblem::kNone, ""},
      {u"LPT", NameProblem::kNone, ""},
      {u"NULL.txt", NameProblem::kNone, ""},
      {u"xCON", NameProblem::kNone, ""},
      {u"COM\u00BC", NameProblem::kNone, ""},  // a fraction, not a superscript digit
      {std::u16string(255, u'n'), NameProblem::kNone, ""},
      {u"", NameProblem::kEmpty, "an empty name"},
      {u".", NameProblem::kDotName, "the name \".\""},
      {u"..", NameProblem::kDotName, "the name \"..\""},
      {u"a\x01", NameProblem::kControlCharacter, "a control character"},
      {u"tab\there", NameProblem::kControlCharacter, "a control character"},
      {u"\u0141\u00F3d\u017A", NameProblem::kOutsideLatin1, "outside ISO 8859-1"},
      {u"a\\b", NameProblem::kSeparator, "the character '\\'"},
      {u"a/b", NameProblem::kSeparator, "the character '/'"},
      {u"a*b", NameProblem::kWildcard, "the character '*'"},
      {u"a?b", NameProblem::kWildcard, "the character '?'"},
      {u"c:d", NameProblem::kForbiddenCharacter, "the character ':'"},
      {u"a\"b", NameProblem::kForbiddenCharacter, "the character '\"'"},
      {u"<a", NameProblem::kForbiddenCharacter, "the character '<'"},
      {u"a>", NameProblem::kForbiddenCharacter, "the character '>'"},
      {u"a|b", NameProblem::kForbiddenCharacter, "the character '|'"},
      {u"name.", NameProblem::kTrailingDotOrBlank, "trailing dot or space"},
      {u"name ", NameProblem::kTrailingDotOrBlank, "trailing dot or space"},
      {std::u16string(256, u'n'), NameProblem::kTooLong, "more than 255 characters"},
      {u"CON", NameProblem::kReservedDeviceName, "reserved device name CON"},
      {u"prn.txt", NameProblem::kReservedDeviceName, "reserved device name PRN"},
      {u"Aux.a.b", NameProblem::kReservedDeviceName, "reserved device name AUX"},
      {u"nul.tar.gz", NameProblem::kReservedDeviceName, "reserved device name NUL"},
      {u"NUL .txt", NameProblem::kReservedDeviceName, "reserved device name NUL"},
      {u"COM0", NameProblem::kReservedDeviceName, "reserved device name COM0"},
      {u"com9.log", NameProblem::kReservedDeviceName, "reserved device name COM9"},
      {u"LPT0", NameProblem::kReservedDeviceName, "reserved device name LPT0"},
      {u"lpt5.doc", NameProblem::kReservedDeviceName, "reserved device name LPT5"},
      {u"COM\u00B9", NameProblem::kReservedDeviceName, "reserved device name COM\u00B9"},
      {u"com\u00B2.txt", NameProblem::kReservedDeviceName, "reserved device name COM\u00B2"},
      {u"LPT\u00B3", NameProblem::kReservedDeviceName, "reserved device name LPT\u00B3"},
      {u"CONIN$", NameProblem::kReservedDeviceName, "reserved device name CONIN$"},
      {u"conout$.txt", NameProblem::kReservedDeviceName, "reserved device name CONOUT$"},
      {u"Clock$", NameProblem::kReservedDeviceName, "reserved device name CLOCK$"},
  };
  return cases;
}

std::string Printable(const std::u16string& name) {
  std::string text;
  talv::NarrowLatin1(name.c_str(), name.size(), &text, '?');
  return talv::Latin1ToUtf8(text.size() > 40 ? text.substr(0, 40) + "..." : text);
}

TEST(DeviceName, EveryJudgeReachesTheRulesVerdict) {
  for (const NameCase& c : Cases()) {
    SCOPED_TRACE(Printable(c.name));
    const bool allowed = c.problem == NameProblem::kNone;
    const talv::NameVerdict verdict = talv::JudgeName(c.name);
    EXPECT_EQ(verdict.problem, c.problem);
    EXPECT_EQ(static_cast<bool>(verdict), allowed);
    const std::string text = talv::DescribeNameProblem(verdict);
    EXPECT_NE(text.find(c.reason), std::string::npos) << "got \"" << text << "\"";
    EXPECT_EQ(text.empty(), allowed);

    EXPECT_EQ(emu::ComponentAllowed(c.name), allowed);

    std::string narrow;
    if (!talv::NarrowLatin1(c.name.c_str(), c.name.size(), &narrow)) continue;  // no narrow form to judge
    EXPECT_EQ(talv::JudgeNameLatin1(narrow).problem, c.problem);
    EXPECT_EQ(talv::IsUsableVolumeName(narrow), allowed);
  }
}

void WritePackage(const package_test::fs::path& path, const std::string& folder, const std::string& name) {
  ASSERT_TRUE(talv_test::WritePackage(path, 1, 0, {{"Talvenia.exe", "[PRG]", "MZ"}, {name, folder, "data"}}));
}

// verify refuses exactly the names the emulated handheld refuses, as a file name and as a folder, with the reason.
TEST(DeviceName, VerifyRefusesWhatTheHandheldRefuses) {
  ScratchDir dir;
  for (const NameCase& c : Cases()) {
    std::string narrow;
    if (!talv::NarrowLatin1(c.name.c_str(), c.name.size(), &narrow)) continue;  // an archive holds narrow text
    if (narrow.size() > 100) continue;  // the whole device path has a limit of its own
    SCOPED_TRACE(Printable(c.name));
    const bool refused = !emu::ComponentAllowed(c.name);
    struct Placement {
      const char* what;
      std::string folder, name;
    };
    std::vector<Placement> placements = {{"as the file name", "[PRG]Maps\\", narrow}};
    // As a folder, an empty name is an empty part the handheld drops, and a backslash makes two folders.
    if (c.problem != NameProblem::kEmpty && c.problem != NameProblem::kSeparator)
      placements.push_back({"as a folder", "[DOC]" + narrow + "\\", "f.txt"});
    for (const Placement& p : placements) {
      const auto package = dir / "Talvenia2016_full.pkg";
      WritePackage(package, p.folder, p.name);
      talvpkg::ArchiveSummary summary;
      std::string defect;
      EXPECT_EQ(talvpkg::VerifyPackage(package, &summary, &defect), !refused) << p.what << ": " << defect;
      if (refused) {
        EXPECT_NE(defect.find("entry 2: "), std::string::npos) << p.what << ": " << defect;
        EXPECT_NE(defect.find(c.reason), std::string::npos) << p.what << ": " << defect;
      }
    }
  }
}

// One letter case for every program that compares names: two names the handheld takes for one file are one
// for the rule, for the emulated handheld and for verify, which refuses a package holding both.
TEST(DeviceName, EveryComparerIgnoresTheHandheldsLetterCase) {
  const struct {
    std::u16string a, b;
    bool same;
  } pairs[] = {
      {u"Citta.txt", u"CITTA.txt", true},
      {u"Citt\u00E0.txt", u"CITT\u00C0.txt", true},
      {u"\u00FEorn", u"\u00DEORN", true},  // thorn, the last letter with a capital in ISO 8859-1
      {u"\u00F0", u"\u00D0", true},        // eth
      {u"a\u00F7", u"a\u00D7", false},     // division and multiplication signs are not letters
      {u"\u00FF", u"\u00DF", false},       // y with diaeresis and sharp s have no capital here
      {u"a@", u"a`", false},               // one bit apart, but no letters
      {u"[x]", u"{x}", false},
      {u"Citta.txt", u"Citta.tx", false},
  };
  ScratchDir dir;
  for (const auto& p : pairs) {
    SCOPED_TRACE(Printable(p.a) + " / " + Printable(p.b));
    EXPECT_EQ(talv::SameNameNoCase(p.a, p.b), p.same);
    EXPECT_EQ(emu::EqualOrdinalNoCase(std::wstring(p.a.begin(), p.a.end()), std::wstring(p.b.begin(), p.b.end())),
              p.same);
    std::string a, b;
    ASSERT_TRUE(talv::NarrowLatin1(p.a.c_str(), p.a.size(), &a) && talv::NarrowLatin1(p.b.c_str(), p.b.size(), &b));
    const auto package = dir / "Talvenia2016_full.pkg";
    ASSERT_TRUE(talv_test::WritePackage(package, 1, 0,
                                        {{"Talvenia.exe", "[PRG]", "MZ"}, {a, "[DOC]", "1"}, {b, "[DOC]", "2"}}));
    talvpkg::ArchiveSummary summary;
    std::string defect;
    EXPECT_EQ(talvpkg::VerifyPackage(package, &summary, &defect), !p.same) << defect;
  }
}

}  // namespace
