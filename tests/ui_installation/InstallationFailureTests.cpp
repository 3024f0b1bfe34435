// Installations that cannot finish: a missing or damaged package, a handheld that fills up, drops the link
// or refuses a path. Each tells the user why and returns to the destination page with the buttons restored.
#include <gtest/gtest.h>
#include <functional>
#include "InstallationFixture.h"
#include "resource.h"

using namespace ui_test;

namespace {

class InstallationFailureTest : public InstallationTest {
 protected:
  void ExpectBackOnDestinationPage() {
    ASSERT_TRUE(wizard.WaitForStep(kPageDestination)) << DescribeScreen();
    EXPECT_TRUE(IsShown(wizard.FrameControl(IDC_BACK))) << DescribeScreen();
    EXPECT_TRUE(IsShown(wizard.FrameControl(IDC_NEXT))) << DescribeScreen();
    EXPECT_EQ(TextOf(wizard.FrameControl(IDC_NEXT)), "Avanti >");
    EXPECT_EQ(TextOf(wizard.FrameControl(IDC_CANCEL_BUTTON)), "Annulla");
    EXPECT_TRUE(wizard.Running());
  }
};

TEST_F(InstallationFailureTest, MissingPackageIsReportedAndNothingIsCopied) {
  ASSERT_TRUE(ReachInstallation());
  ExpectMessageBox("Errore", "error", "Pacchetto di installazione mancante.\nImpossibile installare!");
  const InstallReport report = OnlyReport();
  EXPECT_EQ(report.result, InstallFailed);
  EXPECT_EQ(report.log, "");
  ExpectBackOnDestinationPage();
}

// The archive around one sound first entry, with the rest of it spoilt.
struct DamageCase {
  const char* label;
  std::function<std::string(std::string)> spoil;
};

TEST_F(InstallationFailureTest, DamagedArchiveIsReportedInsteadOfAPartialInstallation) {
  const std::string sound = ArchiveBytes(1, 1, {{"a.txt", "[PRG]", "aaa"}, {"b.txt", "[PRG]", std::string(100, 'b')}});
  const DamageCase cases[] = {
      // EntryCount says 3 where the archive holds 2.
      {"entries missing",
       [](std::string bytes) {
         bytes[4] = 3;
         return bytes;
       }},
      // The second file's data ends 60 bytes early.
      {"data cut short",
       [](std::string bytes) {
         bytes.resize(bytes.size() - 60);
         return bytes;
       }},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    RemoveTree(DeviceFolder());
    PlacePackage("Talvenia2016_full.pkg", c.spoil(sound));
    ASSERT_TRUE(ReachInstallation());
    ExpectMessageBox("Errore", "error", "Pacchetto di installazione danneggiato.\nImpossibile installare!");
    const InstallReport report = OnlyReport();
    EXPECT_EQ(report.result, InstallFailed);
    EXPECT_EQ(report.log, CopyLines({"a.txt", "b.txt"}));
    ExpectBackOnDestinationPage();
    EXPECT_EQ(DeviceFile(installFolder + "a.txt"), "aaa");
    wizard.Close();
  }
}

struct CopyFailureCase {
  const char* label;
  std::function<void(DeviceDescription&)> spoilDevice;  // applied on the ready page, before "Installa"
  std::string bigName;                                  // the entry whose copy fails
  const char* message;
};

TEST_F(InstallationFailureTest, FailedCopyTellsWhyAndReinstallingStartsAgain) {
  const std::string longName = std::string(240, 'n') + ".txt";
  const CopyFailureCase cases[] = {
      {"disk full", [](DeviceDescription& d) { d.storeSize = 1u << 20; }, "big.bin", "Spazio su disco insufficiente"},
      {"link dropped", [](DeviceDescription& d) { d.failAfterBytes = "70000"; }, "big.bin",
       "Connessione con il palmare interrotta"},
      {"path too long", [](DeviceDescription&) {}, longName, "Percorso del file troppo lungo per il palmare"},
  };
  for (const CopyFailureCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    RemoveTree(DeviceFolder());
    device = DeviceDescription();
    const std::string big(1u << 20, 'x');
    PlacePackage("Talvenia2016_full.pkg",
                 ArchiveBytes(1, 0, {{"a.txt", "[PRG]", "aaa"}, {c.bigName, "[PRG]", big}, {"c.txt", "[PRG]", "c"}}));
    ASSERT_TRUE(ReachInstallation(false));
    c.spoilDevice(device);
    ApplyDevice();
    ASSERT_TRUE(PressInstall());
    auto box = wizard.WaitForMessageBox(30000);
    ASSERT_TRUE(box.has_value()) << DescribeScreen();
    EXPECT_EQ(box->caption, "Errore");
    EXPECT_EQ(box->icon, "error");
    EXPECT_EQ(box->text, c.message);
    // The handheld is sound again before the wizard returns to the destination page and surveys it.
    device = DeviceDescription();
    ApplyDevice();
    ASSERT_TRUE(Answer(*box, IDOK));
    InstallReport report = OnlyReport();
    EXPECT_EQ(report.result, InstallFailed);
    EXPECT_EQ(report.log, CopyLines({"a.txt", c.bigName}));  // the log ends with the file that failed
    ExpectBackOnDestinationPage();
    EXPECT_EQ(DeviceFile(installFolder + "a.txt"), "aaa");
    EXPECT_FALSE(DeviceFileExists(installFolder + "c.txt"));

    if (c.bigName == longName) {
      wizard.Close();
      continue;
    }
    // The next visit starts from a clean log and the first entry.
    ::DeleteFileW(DevicePath(installFolder + "a.txt").c_str());
    ASSERT_TRUE(ReturnToReadyPage()) << DescribeScreen();
    ASSERT_TRUE(PressInstall());
    ExpectMessageBox("Installatore", "exclamation", "Avvio di Talvenia da palmare");
    ASSERT_TRUE(observer->WaitForReports(2));
    report = observer->Reports().back();
    EXPECT_EQ(report.result, InstallCompleted);
    EXPECT_EQ(report.log, CopyLines({"a.txt", "big.bin", "c.txt"}) + "\r\nInstallazione completata");
    EXPECT_EQ(DeviceFile(installFolder + "a.txt"), "aaa");
    EXPECT_TRUE(DeviceFile(installFolder + "big.bin") == big) << "big.bin was not copied whole";
    EXPECT_EQ(DeviceFile(installFolder + "c.txt"), "c");
    ASSERT_TRUE(wizard.WaitForStep(kPageEndInstall));
    wizard.Close();
  }
}

}  // namespace
