// What the installation page shows and does for packages that install: the log lines, the progress bar and
// the final step of each kind of package.
#include <gtest/gtest.h>
#include <algorithm>
#include "InstallationFixture.h"
#include "resource.h"

using namespace ui_test;

namespace {

class InstallationLogTest : public InstallationTest {};

struct FinalStepCase {
  const char* package;
  unsigned char productFlag;
  unsigned char launcherFlag;
  const char* folder;   // install folder on the handheld: the whole path, or for free-standing its last part
  const char* notice;   // the worker's message before it starts the program; null: none
  const char* command;  // processes.log line of the final step, after the install folder when it starts the product
};

TEST_F(InstallationLogTest, CompletedInstallationCopiesEveryEntryThenRunsTheFinalStep) {
  const FinalStepCase cases[] = {
      {"Talvenia2016_full.pkg", 1, 0, "\\Talvenia2016_full\\", "Avvio di Talvenia da palmare", "Talvenia.exe\t"},
      {"Fendro_base.pkg", 0, 0, "\\Fendro_base\\", "Avvio di Fendro da palmare", "Fendro.exe\t"},
      {"Talvenia2016_full.pkg", 1, 1, "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\", nullptr,
       "\\Windows\\TalveniaGDFS.exe\t-talvspec"},
      {"Fendro_v2_2017a.pkg", 0, 1, "\\ROMDisk\\PROGRAM\\Fendro\\Fendro_v2_2017\\", nullptr,
       "\\Windows\\TalveniaGDFS.exe\t-fenspec"},
  };
  for (const FinalStepCase& c : cases) {
    SCOPED_TRACE(std::string(c.package) + (c.launcherFlag ? " launcher" : " free-standing"));
    RemovePackages();
    RemoveTree(DeviceFolder());
    const std::string exe = c.productFlag ? "Talvenia.exe" : "Fendro.exe";
    PlacePackage(c.package, ArchiveBytes(c.productFlag, c.launcherFlag,
                                         {{exe, "[PRG]", "MZ program"},
                                          {"rome.map", "[PRG]Maps\\Italy\\", std::string(10000, 'r')},
                                          {"", "untagged", ""},
                                          {"guide.htm", "[HLP]", "<html>"},
                                          {"codec.dll", "[WIN]", "dll"}}));
    ASSERT_TRUE(ReachInstallation(false));
    const std::string folder = installFolder;
    ASSERT_GE(folder.size(), std::string(c.folder).size()) << folder;
    if (c.launcherFlag) {
      EXPECT_EQ(folder, c.folder);
    } else {
      EXPECT_EQ(folder.substr(folder.size() - std::string(c.folder).size()), c.folder) << folder;
    }
    const size_t processesBefore = ProcessesLog().size();
    ASSERT_TRUE(PressInstall());

    if (c.notice != nullptr) ExpectMessageBox("Installatore", "exclamation", c.notice);
    const InstallReport report = OnlyReport();
    EXPECT_EQ(report.result, InstallCompleted);
    EXPECT_EQ(report.log, CopyLines({exe, "rome.map", "guide.htm", "codec.dll"}) + "\r\nInstallazione completata");
    EXPECT_EQ(report.rangeLow, 0);
    EXPECT_EQ(report.rangeHigh, 6);
    EXPECT_EQ(report.position, 5);
    ASSERT_TRUE(wizard.WaitForStep(kPageEndInstall));
    EXPECT_TRUE(wizard.NoMessageBoxWithin(300));

    EXPECT_EQ(DeviceFile(folder + exe), "MZ program");
    EXPECT_EQ(DeviceFile(folder + "Maps\\Italy\\rome.map"), std::string(10000, 'r'));
    EXPECT_EQ(DeviceFile("\\Windows\\Help\\guide.htm"), "<html>");
    EXPECT_EQ(DeviceFile("\\Windows\\codec.dll"), "dll");
    const std::string started = (c.launcherFlag ? std::string() : folder) + c.command + "\r\n";
    EXPECT_EQ(ProcessesLog().substr(processesBefore), started);
    wizard.Close();
  }
}

struct InterruptCase {
  const char* label;
  InstallObserver::HoldPoint hold;  // where the worker stands when the user answers
  int answer;
  int result;
  std::string log;
  std::vector<const char*> copied;  // the entries found on the handheld afterwards
};

TEST_F(InstallationLogTest, InterruptStopsBeforeTheNextEntryOnly) {
  const InterruptCase cases[] = {
      {"before the first entry",
       {InstallObserver::WorkerStep::StopPoll, 0},
       IDYES,
       InstallInterrupted,
       "\r\n\r\nInstallazione interrotta",
       {}},
      {"during the second entry",
       {InstallObserver::WorkerStep::Position, 1},
       IDYES,
       InstallInterrupted,
       CopyLines({"a.txt", "b.txt"}) + "\r\n\r\nInstallazione interrotta",
       {"a.txt", "b.txt"}},
      {"during the last entry",
       {InstallObserver::WorkerStep::Position, 2},
       IDYES,
       InstallCompleted,
       CopyLines({"a.txt", "b.txt", "c.txt"}) + "\r\nInstallazione completata",
       {"a.txt", "b.txt", "c.txt"}},
      {"answered no",
       {InstallObserver::WorkerStep::Position, 1},
       IDNO,
       InstallCompleted,
       CopyLines({"a.txt", "b.txt", "c.txt"}) + "\r\nInstallazione completata",
       {"a.txt", "b.txt", "c.txt"}},
  };
  PlacePackage("Talvenia2016_full.pkg",
               ArchiveBytes(1, 1, {{"a.txt", "[PRG]", "a"}, {"b.txt", "[PRG]", "b"}, {"c.txt", "[PRG]", "c"}}));
  ASSERT_TRUE(StartWizard());
  observer = std::make_unique<InstallObserver>(wizard.UiThreadId());
  for (const InterruptCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(ReturnToReadyPage()) << DescribeScreen();
    const std::string folder = TextOf(wizard.PageControl(IDC_DESTINATION_FOLDER)) + "\\";
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) ::DeleteFileW(DevicePath(folder + name).c_str());
    const size_t reportsBefore = observer->Reports().size();
    observer->HoldAt(c.hold);
    ASSERT_TRUE(PressInstall());
    ASSERT_TRUE(observer->WaitHeld()) << DescribeScreen();
    ASSERT_TRUE(wizard.ClickCancel());
    ExpectMessageBox("Installazione", "question", "Sei sicuro di voler interrompere la copia dei file sul palmare?",
                     c.answer);
    observer->Release();

    ASSERT_TRUE(observer->WaitForReports(reportsBefore + 1));
    const InstallReport report = observer->Reports().back();
    EXPECT_EQ(report.result, c.result);
    EXPECT_EQ(report.log, c.log);
    const int expectedStep = c.result == InstallCompleted ? kPageEndInstall : kPageDestination;
    ASSERT_TRUE(wizard.WaitForStep(expectedStep));
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      bool expected = std::find_if(c.copied.begin(), c.copied.end(),
                                   [&](const char* n) { return std::string(n) == name; }) != c.copied.end();
      EXPECT_EQ(DeviceFileExists(folder + name), expected) << name;
    }
    if (expectedStep == kPageEndInstall) {
      // Back to the ready page for the next case: the end page cannot go back, so start again.
      wizard.Close();
      ASSERT_TRUE(StartWizard());
      observer = std::make_unique<InstallObserver>(wizard.UiThreadId());
    } else {
      EXPECT_TRUE(IsShown(wizard.FrameControl(IDC_BACK)));
      EXPECT_TRUE(IsShown(wizard.FrameControl(IDC_NEXT)));
      EXPECT_EQ(TextOf(wizard.FrameControl(IDC_NEXT)), "Avanti >");
      EXPECT_EQ(TextOf(wizard.FrameControl(IDC_CANCEL_BUTTON)), "Annulla");
    }
  }
}

}  // namespace

namespace {

struct ProgressCase {
  const char* label;
  int entryCount;
  int rangeHigh;
  int position;
};

// The bar runs to EntryCount + 1 and ends one step after the last entry's position.
TEST_F(InstallationLogTest, ProgressBarEndsOneStepPastTheLastEntry) {
  const ProgressCase cases[] = {
      {"no entries", 0, 1, 1},
      {"one entry", 1, 2, 1},
      {"seven entries", 7, 8, 7},
  };
  for (const ProgressCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    // Unnamed, untagged entries add no log line and copy nothing, but still move the bar.
    std::vector<PackageEntry> entries(static_cast<size_t>(c.entryCount), PackageEntry{"", "", ""});
    if (!entries.empty()) entries.back() = {"last.txt", "[PRG]", "z"};
    PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 1, entries));
    ASSERT_TRUE(ReachInstallation());
    const InstallReport report = OnlyReport();
    EXPECT_EQ(report.result, InstallCompleted);
    EXPECT_EQ(report.log, (entries.empty() ? std::string() : CopyLines({"last.txt"})) + "\r\nInstallazione completata");
    EXPECT_EQ(report.rangeLow, 0);
    EXPECT_EQ(report.rangeHigh, c.rangeHigh);
    EXPECT_EQ(report.position, c.position);
    ASSERT_TRUE(wizard.WaitForStep(kPageEndInstall));
    if (!entries.empty()) {
      EXPECT_EQ(DeviceFile(installFolder + "last.txt"), "z");
    }
    wizard.Close();
  }
}

// The largest archive needs an upper bound of 65536, past what the 16-bit range message can carry. The bar
// is read once the page has shown what the worker prepared, the worker held at its first stop poll; the user
// then interrupts before the first entry.
TEST_F(InstallationLogTest, LargestArchiveGetsTheWholeRange) {
  std::vector<PackageEntry> entries(65535, PackageEntry{"", "", ""});
  PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 1, entries));
  ASSERT_TRUE(ReachInstallation(false));
  observer->HoldAt({InstallObserver::WorkerStep::StopPoll, 0});
  ASSERT_TRUE(PressInstall());
  ASSERT_TRUE(observer->WaitHeld()) << DescribeScreen();
  ASSERT_TRUE(observer->Drain());
  HWND bar = wizard.PageControl(IDC_PROGRESS);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 65536);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

  ASSERT_TRUE(wizard.ClickCancel());
  ExpectMessageBox("Installazione", "question", "Sei sicuro di voler interrompere la copia dei file sul palmare?",
                   IDYES);
  observer->Release();
  EXPECT_EQ(OnlyReport().result, InstallInterrupted);
  ASSERT_TRUE(wizard.WaitForStep(kPageDestination));
}

}  // namespace
