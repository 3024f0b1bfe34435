// The connection step on the real wizard and the emulated handheld: picture, sentence and "Aggiorna" for each
// kind of handheld, docking and undocking between checks, the refusal to go on, and clicks during a check.
#include <gtest/gtest.h>
#include "ConnectionView.h"
#include "resource.h"

using namespace ui_test;
using namespace connection_test;

namespace {

class ConnectionPageTest : public WizardTest {
 protected:
  // Next on the connection step with no device: the page's notice, answered; the wizard stays.
  void ExpectRefusal() {
    ASSERT_TRUE(wizard.ClickNext());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << "Next was not refused; " << wizard.DescribeScreen();
    EXPECT_EQ(box->caption, "Installatore");
    EXPECT_EQ(box->text, kRefusal);
    EXPECT_EQ(box->icon, "exclamation");
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    ASSERT_TRUE(Answer(*box, IDOK));
    EXPECT_EQ(wizard.Step(), kPageConnection);
  }
};

struct HandheldCase {
  const char* label;
  bool connected;
  long initResult;
  bool answers;
};

TEST_F(ConnectionPageTest, EnteringShowsTheOutcomeOfTheCheckAndNextFollowsIt) {
  const HandheldCase cases[] = {
      {"docked", true, 0, true},
      {"undocked", false, 0, false},
      {"docked but refusing", true, static_cast<long>(0x80004005), false},
  };
  for (const HandheldCase& c : cases) {
    SCOPED_TRACE(c.label);
    device.connected = c.connected;
    device.initResult = c.initResult;
    ASSERT_TRUE(StartWizard());
    ASSERT_TRUE(ReachStep(kPageConnection)) << wizard.DescribeScreen();
    const ConnectionView view = ReadConnectionPage(wizard);
    EXPECT_EQ(view.picture, c.answers ? IDB_CONNECTED : IDB_NOT_CONNECTED) << view.Describe();
    EXPECT_EQ(view.sentence, c.answers ? kOkSentence : kErrorSentence);
    EXPECT_TRUE(view.refreshEnabled) << view.Describe();
    if (c.answers) {
      ASSERT_TRUE(wizard.ClickNext());
      EXPECT_TRUE(WaitUntil([&] { return wizard.Step() == kPageDestination; }, 20000)) << wizard.DescribeScreen();
    } else {
      ExpectRefusal();
    }
    wizard.Close();
  }
}

TEST_F(ConnectionPageTest, WhileTheFirstCheckRunsThePageShowsItsTemplateAndGreysAggiorna) {
  device.answerMs = 2000;
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageLicense));
  ASSERT_TRUE(AcceptLicenceAndPressNext());
  const ConnectionView during = ReadConnectionPage(wizard);
  EXPECT_EQ(during.picture, IDB_CONNECTED) << during.Describe();
  EXPECT_EQ(during.sentence, kTemplateSentence);
  EXPECT_FALSE(during.refreshEnabled) << "\"Aggiorna\" usable during the check";
  EXPECT_TRUE(IsShown(wizard.PageControl(IDC_CONNECTION_RESULT))) << "the page is not shown while it checks";

  ASSERT_TRUE(WaitForOutcome(wizard)) << ReadConnectionPage(wizard).Describe();
  EXPECT_EQ(ReadConnectionPage(wizard).sentence, kOkSentence);
}

TEST_F(ConnectionPageTest, AggiornaChecksAgainAfterDockingAndUndocking) {
  device.connected = false;
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageConnection));
  ASSERT_EQ(ReadConnectionPage(wizard).sentence, kErrorSentence);

  struct Step {
    const char* label;
    bool connected;
  };
  const Step steps[] = {{"docked", true}, {"undocked again", false}, {"docked again", true}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.label);
    device.connected = s.connected;
    device.answerMs = 800;
    ApplyDevice();
    ASSERT_TRUE(Click(wizard.PageControl(IDC_REFRESH_CONNECTION)));
    EXPECT_TRUE(WaitUntil([&] { return !ReadConnectionPage(wizard).refreshEnabled; }, 3000))
        << "\"Aggiorna\" was not greyed during the check";
    ASSERT_TRUE(WaitForOutcome(wizard)) << ReadConnectionPage(wizard).Describe();
    const ConnectionView view = ReadConnectionPage(wizard);
    EXPECT_EQ(view.picture, s.connected ? IDB_CONNECTED : IDB_NOT_CONNECTED) << view.Describe();
    EXPECT_EQ(view.sentence, s.connected ? kOkSentence : kErrorSentence);
    if (!s.connected) ExpectRefusal();
  }
  ASSERT_TRUE(wizard.ClickNext());
  EXPECT_TRUE(WaitUntil([&] { return wizard.Step() == kPageDestination; }, 20000)) << wizard.DescribeScreen();
}

TEST_F(ConnectionPageTest, TheLastOutcomeCountsUndockingAloneDoesNotStopNext) {
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageConnection));
  ASSERT_EQ(ReadConnectionPage(wizard).sentence, kOkSentence);
  device.connected = false;
  ApplyDevice();
  ASSERT_TRUE(wizard.ClickNext());
  EXPECT_TRUE(WaitUntil([&] { return wizard.Step() == kPageDestination; }, 20000))
      << "Next after a good check was refused; " << wizard.DescribeScreen();
}

TEST_F(ConnectionPageTest, NavigationClicksDuringAggiornaDoNotDestroyTheCheckingPage) {
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageConnection));
  const HWND page = wizard.Page();
  device.answerMs = 1500;
  ApplyDevice();
  ASSERT_TRUE(Click(wizard.PageControl(IDC_REFRESH_CONNECTION)));
  ASSERT_TRUE(WaitUntil([&] { return !ReadConnectionPage(wizard).refreshEnabled; }, 3000));
  // The frame's buttons look usable while the check waits; what they do must not pull the page away.
  for (int id : {IDC_NEXT, IDC_BACK, IDC_CANCEL_BUTTON}) ::PostMessageW(wizard.FrameControl(id), BM_CLICK, 0, 0);
  // Next and Back are refused; "Annulla" is held, as Escape and the close box are, and asked after the check.
  const auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "\"Annulla\" was lost; " << wizard.DescribeScreen();
  EXPECT_EQ(box->text, "Sei sicuro di voler annullare l'installazione di Talvenia?");
  ASSERT_TRUE(Answer(*box, IDNO));
  ASSERT_TRUE(WaitForOutcome(wizard)) << wizard.DescribeScreen();
  EXPECT_TRUE(wizard.NoMessageBoxWithin(500)) << "a click during the check reached a handler";
  EXPECT_TRUE(wizard.Running());
  EXPECT_EQ(wizard.Page(), page) << "the page was replaced during its own check";
  EXPECT_EQ(ReadConnectionPage(wizard).sentence, kOkSentence);
  // And the buttons work again afterwards.
  ASSERT_TRUE(wizard.ClickBack());
  EXPECT_TRUE(wizard.WaitForStep(kPageLicense)) << wizard.DescribeScreen();
}

}  // namespace
