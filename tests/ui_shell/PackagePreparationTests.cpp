// What the wizard learns from the package beside it before the first page shows: the product (banner and
// cancel question), the temporary copies, and the space the destination page asks for.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "WizardDriver.h"
#include "resource.h"

using namespace ui_test;

namespace {

// An archive of exactly totalBytes bytes once decompressed: one [PRG] entry "a.bin" filling the rest.
std::string ArchiveOfSize(unsigned char product, size_t totalBytes) {
  const size_t overhead = 6 + 8 + 5 + 5;
  return ArchiveBytes(product, 0, {{"a.bin", "[PRG]", std::string(totalBytes - overhead, 'x')}});
}

std::string Compressed(const std::string& archive, const std::wstring& scratch) {
  std::string bytes;
  EXPECT_TRUE(WritePackage(scratch, archive));
  EXPECT_TRUE(ReadWholeFile(scratch, &bytes));
  ::DeleteFileW(scratch.c_str());
  return bytes;
}

struct PreparationCase {
  const char* label;
  std::string packageBytes;     // the file beside the program, as it is
  std::string expectedArchive;  // TFInst.pkg while the wizard runs
  const char* requiredText;
  const char* cancelQuestion;
};

class PackagePreparationTest : public WizardTest {
 protected:
  std::wstring Temp(const wchar_t* name) const { return TempFolder() + L"\\temp\\" + name; }
};

TEST_F(PackagePreparationTest, SizeFlagsAndTemporaryCopiesComeFromThePackage) {
  const std::wstring scratch = TempFolder() + L"\\scratch.pkg";
  const std::string oneMegabyte = ArchiveOfSize(1, 1048576);
  const std::string fendro = ArchiveOfSize(0, 3000000);
  const std::string fendroPacked = Compressed(fendro, scratch);
  const std::string cutShort = fendroPacked.substr(0, fendroPacked.size() / 2);

  const PreparationCase cases[] = {
      {"1,048,576 bytes of product A", Compressed(oneMegabyte, scratch), oneMegabyte, "1.50 Mb neccessari",
       "Sei sicuro di voler annullare l'installazione di Talvenia?"},
      {"3,000,000 bytes of product B", fendroPacked, fendro, "3.36 Mb neccessari",
       "Sei sicuro di voler annullare l'installazione di Fendro?"},
      // A stream cut short keeps the default size; the flags still come from the bytes that were written.
      {"product B cut short", cutShort, "", "16.00 Mb neccessari",
       "Sei sicuro di voler annullare l'installazione di Fendro?"},
      // Extra bytes after the end of the stream change nothing.
      {"trailing bytes", Compressed(oneMegabyte, scratch) + "garbage", oneMegabyte, "1.50 Mb neccessari",
       "Sei sicuro di voler annullare l'installazione di Talvenia?"},
  };
  for (const PreparationCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    ASSERT_TRUE(WriteWholeFile(TestProgramFolder() + L"\\Talvenia2016_full.pkg", c.packageBytes));
    ASSERT_TRUE(StartWizard());

    std::string copy, archive;
    ASSERT_TRUE(ReadWholeFile(Temp(L"TFInst.zip"), &copy));
    EXPECT_TRUE(copy == c.packageBytes) << "TFInst.zip is not a byte copy of the package";
    ASSERT_TRUE(ReadWholeFile(Temp(L"TFInst.pkg"), &archive));
    if (!c.expectedArchive.empty()) {
      EXPECT_TRUE(archive == c.expectedArchive) << "TFInst.pkg holds " << archive.size() << " bytes";
    }

    ASSERT_TRUE(ReachStep(kPageDestination)) << wizard.DescribeScreen();
    EXPECT_EQ(TextOf(wizard.PageControl(IDC_REQUIRED_MEMORY)), c.requiredText);
    ASSERT_TRUE(wizard.ClickCancel());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, c.cancelQuestion);
    ASSERT_TRUE(Answer(*box, IDYES));
    ASSERT_TRUE(wizard.WaitForEnd(15000));
    EXPECT_FALSE(FileExists(Temp(L"TFInst.zip")));
    EXPECT_FALSE(FileExists(Temp(L"TFInst.pkg")));
  }
}

TEST_F(PackagePreparationTest, AnEmptyPackageLeavesTheDefaults) {
  ASSERT_TRUE(WriteWholeFile(TestProgramFolder() + L"\\Talvenia2016_full.pkg", ""));
  ASSERT_TRUE(StartWizard());
  std::string archive = "not read";
  ASSERT_TRUE(ReadWholeFile(Temp(L"TFInst.pkg"), &archive));
  EXPECT_TRUE(archive.empty());
  ASSERT_TRUE(ReachStep(kPageDestination)) << wizard.DescribeScreen();
  EXPECT_EQ(TextOf(wizard.PageControl(IDC_REQUIRED_MEMORY)), "16.00 Mb neccessari");
  ASSERT_TRUE(wizard.ClickCancel());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "Sei sicuro di voler annullare l'installazione di Talvenia?");
  ASSERT_TRUE(Answer(*box, IDNO));
}

}  // namespace
