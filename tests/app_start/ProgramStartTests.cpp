// The real program as a user starts it: arguments are ignored, the process ends with the wizard, and a
// second copy steps aside instead of destroying the first one's temporary package.
#include <gtest/gtest.h>
#include <string>
#include "ProgramStartFixture.h"

using namespace app_start_test;

namespace {

TEST_F(ProgramStartTest, ArgumentsAreIgnoredAndClosingTheWizardEndsTheProcess) {
  Program program;
  ASSERT_TRUE(program.Start(Exe(), L"/silent -talvspec C:\\somewhere"));
  HWND frame = program.FindFrame();
  ASSERT_NE(frame, nullptr) << "the wizard did not show its welcome page";
  EXPECT_TRUE(FileExists(TempPackage()));
  ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(program.WaitForExit(15000)) << "the process outlived its wizard";
  EXPECT_FALSE(FileExists(TempPackage()));
  EXPECT_FALSE(FileExists(m_temp + L"TFInst.zip"));
}

TEST_F(ProgramStartTest, ASecondCopyLeavesTheFirstOnesPackageAlone) {
  Program first;
  ASSERT_TRUE(first.Start(Exe(), L""));
  HWND frame = first.FindFrame();
  ASSERT_NE(frame, nullptr);
  std::string before;
  ASSERT_TRUE(ReadWholeFile(TempPackage(), &before));

  Program second;
  ASSERT_TRUE(second.Start(Exe(), L""));
  auto box = WaitForMessageBox(second.Id(), {}, 20000);
  ASSERT_TRUE(box.has_value()) << "the second copy said nothing";
  EXPECT_EQ(box->caption, "Installatore");
  EXPECT_EQ(box->text, "L'installazione \xE8 gi\xE0 in corso in un'altra finestra.");
  // (The icon handle belongs to the other process and cannot be compared from here.)
  ASSERT_TRUE(Answer(*box, IDOK));
  ASSERT_TRUE(second.WaitForExit(15000));

  std::string after;
  ASSERT_TRUE(ReadWholeFile(TempPackage(), &after)) << "the second copy deleted the first one's package";
  EXPECT_EQ(after, before);
  EXPECT_TRUE(::IsWindow(frame));

  ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(first.WaitForExit(15000));
  EXPECT_FALSE(FileExists(TempPackage()));
}

}  // namespace
