// The frame's navigation on the real wizard: buttons, step list, pages rebuilt on every visit, the
// licence gate and the re-entrancy guard while a page switch waits for the handheld.
#include <gtest/gtest.h>
#include "WizardDriver.h"
#include "resource.h"

using namespace ui_test;

namespace {

struct ButtonsExpected {
  int step;
  bool backShown;
  bool backEnabled;
  const char* nextText;
  const char* cancelText;
  bool cancelEnabled;
};

void ExpectButtons(const WizardSession& wizard, const ButtonsExpected& e) {
  SCOPED_TRACE("step " + std::to_string(e.step));
  HWND back = wizard.FrameControl(IDC_BACK);
  HWND next = wizard.FrameControl(IDC_NEXT);
  HWND cancel = wizard.FrameControl(IDC_CANCEL_BUTTON);
  EXPECT_EQ(IsShown(back), e.backShown);
  if (e.backShown) {
    EXPECT_EQ(IsEnabledWindow(back), e.backEnabled);
  }
  EXPECT_TRUE(IsShown(next));
  EXPECT_TRUE(IsEnabledWindow(next));
  EXPECT_EQ(TextOf(next), e.nextText);
  EXPECT_EQ(TextOf(cancel), e.cancelText);
  EXPECT_TRUE(IsShown(cancel));
  EXPECT_EQ(IsEnabledWindow(cancel), e.cancelEnabled);
  EXPECT_TRUE(wizard.StepListShows(e.step)) << "step list images do not mark 0.." << e.step;
}

const ButtonsExpected kButtons[] = {
    {kPageWelcome, false, false, "Avanti >", "Annulla", true},
    {kPageLicense, true, true, "Avanti >", "Annulla", true},
    {kPageConnection, true, true, "Avanti >", "Annulla", true},
    {kPageDestination, true, true, "Avanti >", "Annulla", true},
    {kPageReadyToInstall, true, true, "Installa", "Annulla", true},
};

class NavigationTest : public WizardTest {};

TEST_F(NavigationTest, ButtonsAndStepListFollowEveryMoveForwardAndBack) {
  ASSERT_TRUE(StartWizard());
  EXPECT_EQ(ListViewItemCount(wizard.FrameControl(IDC_STEPS)), 7);
  const char* steps[] = {"Benvenuto", "Licenza",       "Connessione",       "Destinazione",
                         "Riepilogo", "Installazione", "Fine installazione"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ListViewItemText(wizard.FrameControl(IDC_STEPS), i), steps[i]);

  ExpectButtons(wizard, kButtons[0]);
  for (int step = kPageLicense; step <= kPageReadyToInstall; ++step) {
    ASSERT_TRUE(ReachStep(step)) << "could not reach step " << step << ", showing " << wizard.Step();
    ExpectButtons(wizard, kButtons[step]);
  }
  for (int step = kPageDestination; step >= kPageWelcome; --step) {
    ASSERT_TRUE(wizard.ClickBack());
    ASSERT_TRUE(wizard.WaitForStep(step)) << "Back should show step " << step << ", showing " << wizard.Step();
    ExpectButtons(wizard, kButtons[step]);
  }
}

TEST_F(NavigationTest, BackOnTheLicencePageBuildsTheWelcomePageAfresh) {
  ASSERT_TRUE(StartWizard());
  HWND firstWelcome = wizard.Page();
  ASSERT_TRUE(ReachStep(kPageLicense));
  HWND licence = wizard.Page();
  EXPECT_FALSE(::IsWindow(firstWelcome)) << "the welcome page window should be destroyed when left";
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageWelcome));
  EXPECT_NE(wizard.Page(), firstWelcome);
  EXPECT_FALSE(::IsWindow(licence));
  EXPECT_FALSE(IsShown(wizard.FrameControl(IDC_BACK)));
}

TEST_F(NavigationTest, LicenceMustBeAcceptedAndTheAnswerSurvivesBackAndNext) {
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageWelcome));
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageLicense));
  HWND accept = wizard.PageControl(IDC_ACCEPT);
  EXPECT_EQ(::SendMessageW(accept, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Next without the box: refused with the page's own notice.
  ASSERT_TRUE(wizard.ClickNext());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "no refusal shown";
  EXPECT_EQ(box->caption, "Installatore");
  EXPECT_EQ(box->text, "I termini del contratto di licenza devono essere accettati per poter continuare!");
  EXPECT_EQ(box->icon, "exclamation");
  EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_EQ(wizard.Step(), kPageLicense);

  // Ticked, back to the welcome page and forward again: still ticked.
  ASSERT_TRUE(Click(accept));
  ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(accept, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageWelcome));
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageLicense));
  accept = wizard.PageControl(IDC_ACCEPT);
  EXPECT_EQ(::SendMessageW(accept, BM_GETCHECK, 0, 0), BST_CHECKED);

  // Unticked and back: stored as not accepted.
  ASSERT_TRUE(Click(accept));
  ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(accept, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageWelcome));
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageLicense));
  EXPECT_EQ(::SendMessageW(wizard.PageControl(IDC_ACCEPT), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(NavigationTest, LicenceIsShownFormattedAndOnceOnEveryVisit) {
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageConnection));
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageLicense));
  HWND rich = wizard.PageControl(IDC_LICENSE_TEXT);
  const std::string text = TextOf(rich);
  EXPECT_GT(text.size(), 3000u);
  EXPECT_EQ(text.find("{\\rtf"), std::string::npos) << "the licence shows as raw RTF";
  EXPECT_EQ(text.find("\\par"), std::string::npos) << "the licence shows as raw RTF";
  // Shown once: the closing words of the document appear a single time.
  const std::string tail = text.substr(text.size() - 40);
  EXPECT_EQ(text.find(tail), text.rfind(tail)) << "the licence appears twice";
  EXPECT_TRUE(::GetWindowLongW(rich, GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(::SendMessageW(rich, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the licence should open at its first line";
  EXPECT_EQ(::SendMessageW(wizard.PageControl(IDC_ACCEPT), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(NavigationTest, ClicksDuringThePageSwitchCheckDoNotReenterTheFrame) {
  device.answerMs = 1500;  // the check on entering the connection page waits this long
  ASSERT_TRUE(StartWizard());
  ASSERT_TRUE(ReachStep(kPageLicense));
  ASSERT_TRUE(AcceptLicenceAndPressNext());
  // While the handheld has not answered yet: Back, Next and Cancel are pressed.
  ::Sleep(200);
  ::PostMessageW(wizard.FrameControl(IDC_BACK), BM_CLICK, 0, 0);
  ::PostMessageW(wizard.FrameControl(IDC_NEXT), BM_CLICK, 0, 0);
  ::PostMessageW(wizard.FrameControl(IDC_CANCEL_BUTTON), BM_CLICK, 0, 0);
  // Back and Next are refused; "Annulla" is held, as Escape and the close box are, and asked after the check.
  const auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "\"Annulla\" was lost; " << wizard.DescribeScreen();
  EXPECT_EQ(box->text, "Sei sicuro di voler annullare l'installazione di Talvenia?");
  ASSERT_TRUE(Answer(*box, IDNO));
  ASSERT_TRUE(wizard.WaitForStep(kPageConnection));
  EXPECT_TRUE(wizard.NoMessageBoxWithin(500)) << "a click during the check reached a handler";
  EXPECT_EQ(wizard.Step(), kPageConnection);
  EXPECT_TRUE(wizard.Running());
}

}  // namespace
