// The frame's device calls on the real wizard: Back from the later steps re-checks the handheld and lands on
// the connection step when it is gone; "Fine" and a confirmed Cancel remove the agent from the handheld.
#include <gtest/gtest.h>
#include <set>
#include "ConnectionView.h"
#include "rapi.h"
#include "resource.h"

using namespace ui_test;
using namespace connection_test;

namespace {

constexpr char kAgent[] = "\\Windows\\TalveniaGDFS.exe";

class DeviceNavigationTest : public WizardTest {
 protected:
  bool AgentOnDevice() const { return FileExists(DevicePath(kAgent)); }
};

struct BackCase {
  const char* label;
  int from;
  bool docked;
  int lands;
};

TEST_F(DeviceNavigationTest, BackFromTheLaterStepsLandsOnTheConnectionStepWhenTheHandheldIsGone) {
  const BackCase cases[] = {
      {"destination, handheld unplugged", kPageDestination, false, kPageConnection},
      {"summary, handheld docked", kPageReadyToInstall, true, kPageDestination},
      {"summary, handheld unplugged", kPageReadyToInstall, false, kPageConnection},
  };
  for (const BackCase& c : cases) {
    SCOPED_TRACE(c.label);
    RemoveTree(DeviceFolder() + L"\\root");  // a fresh handheld: no product folder from the row before
    device.connected = true;
    ASSERT_TRUE(StartWizard());
    ASSERT_TRUE(ReachStep(c.from)) << wizard.DescribeScreen();
    device.connected = c.docked;
    ApplyDevice();

    ASSERT_TRUE(wizard.ClickBack());
    std::set<int> stepsSeen;
    const bool landed = WaitUntil(
        [&] {
          const int shown = wizard.Step();  // one reading: the page may change between two
          stepsSeen.insert(shown);
          return shown == c.lands && wizard.StepListShows(c.lands);
        },
        30000);
    ASSERT_TRUE(landed) << "Back should show step " << c.lands << "; " << wizard.DescribeScreen();
    stepsSeen.erase(-1);  // no page during the switch
    stepsSeen.erase(c.from);
    EXPECT_EQ(stepsSeen, std::set<int>{c.lands}) << "steps shown on the way";
    if (c.lands == kPageConnection) {
      // The connection step checks on entry and finds no handheld either.
      const ConnectionView view = ReadConnectionPage(wizard);
      EXPECT_EQ(view.picture, IDB_NOT_CONNECTED) << view.Describe();
      EXPECT_EQ(view.sentence, kErrorSentence);
    }
    wizard.Close();
  }
}

struct CancelCase {
  const char* label;
  int step;
  bool placeAgent;  // else the destination step deploys the real one
  bool agentGone;   // before the connection step there is no link to delete it through
};

TEST_F(DeviceNavigationTest, AConfirmedCancelRemovesTheAgentThroughTheOpenLink) {
  const CancelCase cases[] = {
      {"welcome: no link yet", kPageWelcome, true, false},
      {"destination", kPageDestination, false, true},
      {"summary", kPageReadyToInstall, false, true},
  };
  for (const CancelCase& c : cases) {
    SCOPED_TRACE(c.label);
    CeRapiUninit();  // as in a program just started: an earlier wizard of this process left its link open
    ApplyDevice();
    if (c.placeAgent) {
      ASSERT_TRUE(WriteWholeFile(DevicePath(kAgent), "agent left by an earlier run"));
    }
    ASSERT_TRUE(StartWizard());
    ASSERT_TRUE(ReachStep(c.step)) << wizard.DescribeScreen();
    ASSERT_TRUE(AgentOnDevice());

    ASSERT_TRUE(wizard.ClickCancel());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << wizard.DescribeScreen();
    ASSERT_TRUE(Answer(*box, IDNO));
    EXPECT_TRUE(AgentOnDevice()) << "the agent went although the user said No";
    EXPECT_EQ(wizard.Step(), c.step);

    ASSERT_TRUE(wizard.ClickCancel());
    box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << wizard.DescribeScreen();
    ASSERT_TRUE(Answer(*box, IDYES));
    INT_PTR result = 0;
    ASSERT_TRUE(wizard.WaitForEnd(10000, &result));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(!AgentOnDevice(), c.agentGone);
  }
}

TEST_F(DeviceNavigationTest, FineAfterACompleteInstallationRemovesTheAgentAndEndsWithOk) {
  PlacePackage("Talvenia2016.pkg", ArchiveBytes(1, 1, {{"notes.txt", "[PRG]", "field notes"}}));
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageReadyToInstall)) << wizard.DescribeScreen();
  ASSERT_EQ(TextOf(wizard.FrameControl(IDC_NEXT)), "Installa");
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageEndInstall, 60000)) << wizard.DescribeScreen();
  ASSERT_TRUE(AgentOnDevice()) << "the installation should have left the agent on the handheld";
  ASSERT_EQ(TextOf(wizard.FrameControl(IDC_NEXT)), "Fine");

  ASSERT_TRUE(wizard.ClickNext());
  INT_PTR result = 0;
  ASSERT_TRUE(wizard.WaitForEnd(10000, &result)) << wizard.DescribeScreen();
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(AgentOnDevice()) << "\"Fine\" left the agent on the handheld";
}

}  // namespace
