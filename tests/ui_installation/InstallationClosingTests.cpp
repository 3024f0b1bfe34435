// The ways the wizard could end under a running worker: the close box and Escape ask the "Interrompi"
// question, Enter does nothing, and an answer that comes after the worker has finished is dropped.
#include <gtest/gtest.h>
#include <functional>
#include "InstallationFixture.h"
#include "resource.h"

using namespace ui_test;

namespace {

constexpr const char kInterruptQuestion[] = "Sei sicuro di voler interrompere la copia dei file sul palmare?";

const std::vector<PackageEntry> kThreeFiles = {
    {"a.txt", "[PRG]", "a"}, {"b.txt", "[PRG]", "b"}, {"c.txt", "[PRG]", "c"}};

class InstallationClosingTest : public InstallationTest {};

struct ClosingCase {
  const char* label;
  std::function<void(const WizardSession&)> act;  // done by the user while the second entry is copied
  bool asks;
  int answer;
  int result;
};

void PressCloseBox(const WizardSession& w) { ::PostMessageW(w.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0); }
void PressEscape(const WizardSession& w) { PressKey(w.PageControl(IDC_LOG), VK_ESCAPE); }
void PressEnter(const WizardSession& w) { PressKey(w.PageControl(IDC_LOG), VK_RETURN); }

TEST_F(InstallationClosingTest, WizardNeverClosesUnderTheWorker) {
  const ClosingCase cases[] = {
      {"close box, yes", PressCloseBox, true, IDYES, InstallInterrupted},
      {"close box, no", PressCloseBox, true, IDNO, InstallCompleted},
      {"escape, yes", PressEscape, true, IDYES, InstallInterrupted},
      {"escape, no", PressEscape, true, IDNO, InstallCompleted},
      {"enter", PressEnter, false, 0, InstallCompleted},
  };
  for (const ClosingCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemovePackages();
    RemoveTree(DeviceFolder());
    PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 1, kThreeFiles));
    ASSERT_TRUE(ReachInstallation(false));
    observer->HoldAt({InstallObserver::WorkerStep::Position, 1});
    ASSERT_TRUE(PressInstall());
    ASSERT_TRUE(observer->WaitHeld()) << DescribeScreen();

    c.act(wizard);
    if (c.asks) {
      auto box = wizard.WaitForMessageBox();
      ASSERT_TRUE(box.has_value()) << DescribeScreen();
      EXPECT_EQ(box->caption, "Installazione");
      EXPECT_EQ(box->icon, "question");
      EXPECT_EQ(box->text, kInterruptQuestion);
      ASSERT_TRUE(Answer(*box, c.answer));
    } else {
      ASSERT_TRUE(observer->Drain());
      EXPECT_TRUE(wizard.NoMessageBoxWithin(300)) << DescribeScreen();
    }
    EXPECT_TRUE(wizard.Running()) << "the wizard closed under the worker";
    observer->Release();

    const InstallReport report = OnlyReport();
    EXPECT_EQ(report.result, c.result);
    ASSERT_TRUE(wizard.WaitForStep(c.result == InstallCompleted ? kPageEndInstall : kPageDestination))
        << DescribeScreen();
    EXPECT_TRUE(wizard.Running());
    EXPECT_EQ(DeviceFileExists(installFolder + "c.txt"), c.result == InstallCompleted);
    wizard.Close();
  }
}

// The question stays open while the worker copies its last entry, finishes and reports; the frame moves
// to the end page. The "Yes" that comes afterwards must neither interrupt nor start anything.
TEST_F(InstallationClosingTest, LateInterruptAnswerIsDropped) {
  PlacePackage("Talvenia2016_full.pkg", ArchiveBytes(1, 1, kThreeFiles));
  ASSERT_TRUE(ReachInstallation(false));
  observer->HoldAt({InstallObserver::WorkerStep::Position, 2});
  ASSERT_TRUE(PressInstall());
  ASSERT_TRUE(observer->WaitHeld()) << DescribeScreen();

  ASSERT_TRUE(wizard.ClickCancel());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << DescribeScreen();
  EXPECT_EQ(box->text, kInterruptQuestion);
  // The worker goes on past its last stop poll while the question is open.
  observer->Release();
  ASSERT_TRUE(observer->WaitForReports(1));
  ASSERT_TRUE(wizard.WaitForStep(kPageEndInstall)) << DescribeScreen();
  ASSERT_TRUE(Answer(*box, IDYES));

  EXPECT_EQ(wizard.Step(), kPageEndInstall) << DescribeScreen();
  EXPECT_TRUE(wizard.NoMessageBoxWithin(300)) << DescribeScreen();
  EXPECT_EQ(observer->Reports().size(), 1u) << DescribeScreen();
  EXPECT_EQ(observer->Reports().front().result, InstallCompleted);
  EXPECT_EQ(observer->RangesSet(), 1) << "a second worker started";
  EXPECT_EQ(TextOf(wizard.FrameControl(IDC_NEXT)), "Fine");
  EXPECT_TRUE(wizard.Running());
}

}  // namespace
