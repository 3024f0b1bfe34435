// The diagnosis of the selected area (room, write test, non-permanent memory), Next with the creation of the
// product folder and its overwrite question, and Back, on the real page against the emulated handheld.
#include <gtest/gtest.h>

#include "DestinationFixture.h"
#include "resource.h"

using namespace ui_test;

namespace destination_test {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
const char kReady[] = "Destinazione selezionata pronta per l'installazione\r\n";
const char kNotPermanent[] = "-> Area di memoria selezionata non permanente\r\n";
const char kNoRoom[] = "-> Memoria libera non sufficente per l'installazione\r\n";
const char kWriteFailed[] =
    "-> Fallito il test di scrittura sulla destinazione\r\n Area protetta da scrittura o permessi negati\r\n";
const char kUserFile[] = "the user's own Test.dat\r\n\x00\xFF keep me";

class DiagnosisTest : public DestinationTest {
 protected:
  // Survey by the real agent; no package, so 16.00 MB are needed.
  void SetUp() override {
    DestinationTest::SetUp();
    device.storeSize = 64 * kMiB;
    device.volumes = {{"ROMDisk", 20 * kMiB}, {"Equal", 16 * kMiB}, {"Locked", 1 * kMiB, true}};
  }

  // Presses Next and expects a refusal with this text; the page stays.
  void ExpectNextRefused(const std::string& text, const std::string& icon) {
    ASSERT_TRUE(wizard.ClickNext());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << "Next was not refused";
    EXPECT_EQ(box->text, text) << box->Describe();
    EXPECT_EQ(box->caption, "Installatore");
    EXPECT_EQ(box->icon, icon);
    ASSERT_TRUE(Answer(*box, IDOK));
    EXPECT_EQ(wizard.Step(), kPageDestination);
  }

  std::string ReadyPageFolder() const { return TextOf(wizard.PageControl(IDC_DESTINATION_FOLDER)); }
};

TEST_F(DiagnosisTest, EachAreaGetsItsNotesInOrder) {
  const std::string user(kUserFile, sizeof kUserFile - 1);
  PrepareDevice();
  PutDeviceFolder("\\Programmi");
  PutDeviceFile("\\Locked\\Test.dat", user);
  ASSERT_TRUE(StartAtDestination());

  const struct {
    const char* area;
    std::string freeText;
    std::string notes;
  } cases[] = {
      {"ROMDisk", "20.00 Mb liberi", kReady},
      {"\\Programmi\\", "", std::string(kNotPermanent) + kReady},
      {"Equal", "16.00 Mb liberi", kNoRoom},
      // 1 MB less the user's file; no space verdict after a failed write test
      {"Locked", "0.99 Mb liberi", kWriteFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.area);
    ASSERT_TRUE(Select(c.area));
    if (!c.freeText.empty()) {
      EXPECT_EQ(FreeText(), c.freeText);
    }
    EXPECT_EQ(RequiredText(), "16.00 Mb neccessari");
    EXPECT_EQ(Notes(), c.notes);
  }
  EXPECT_EQ(DeviceFile("\\Locked\\Test.dat"), user) << "the test must not touch a file it did not create";
  EXPECT_FALSE(DeviceFileExists("\\ROMDisk\\Test.dat"));
  EXPECT_FALSE(DeviceFileExists("\\Programmi\\Test.dat"));

  ASSERT_TRUE(Select("Equal"));
  ExpectNextRefused("Selezionare prima una destinazione valida", "exclamation");
  ASSERT_TRUE(Select("Locked"));
  ExpectNextRefused("Selezionare prima una destinazione valida", "exclamation");
}

TEST_F(DiagnosisTest, AUsersTestDatSurvivesTheWriteTestByteForByte) {
  const std::string user(kUserFile, sizeof kUserFile - 1);
  PrepareDevice();
  PutDeviceFile("\\ROMDisk\\Test.dat", user);
  PutDeviceFile("\\ROMDisk\\Test1.dat", user + "1");
  ASSERT_TRUE(StartAtDestination());
  ASSERT_TRUE(Select("ROMDisk"));
  ASSERT_TRUE(Select("Equal"));
  ASSERT_TRUE(Select("ROMDisk"));  // the test runs again on every selection
  EXPECT_EQ(Notes(), kReady) << "a free name must be found for the test file";
  EXPECT_EQ(DeviceFile("\\ROMDisk\\Test.dat"), user);
  EXPECT_EQ(DeviceFile("\\ROMDisk\\Test1.dat"), user + "1");
  EXPECT_FALSE(DeviceFileExists("\\ROMDisk\\Test2.dat")) << "the test's own file must be deleted";
}

TEST_F(DiagnosisTest, NextOnTheMainStoreCreatesTheProductFolderThere) {
  PrepareDevice();
  PutDeviceFolder("\\Programmi");
  ASSERT_TRUE(StartAtDestination());
  ASSERT_TRUE(Select("\\Programmi\\"));
  EXPECT_EQ(Notes(), std::string(kNotPermanent) + kReady);
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageReadyToInstall)) << "showing step " << wizard.Step();
  EXPECT_TRUE(::GetFileAttributesW(DevicePath("\\Programmi\\Talvenia").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(ReadyPageFolder(), "\\Programmi\\Talvenia");
}

TEST_F(DiagnosisTest, LauncherFolderIsCreatedLevelByLevelOnRomDisk) {
  PlaceLauncherPackage();
  PrepareDevice();
  ASSERT_TRUE(StartAtDestination());
  ASSERT_EQ(SelectedText(), "ROMDisk");
  EXPECT_EQ(Notes(), kReady);
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageReadyToInstall)) << "showing step " << wizard.Step();
  for (const char* level :
       {"\\ROMDisk\\PROGRAM", "\\ROMDisk\\PROGRAM\\Talvenia", "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016"}) {
    const DWORD attributes = ::GetFileAttributesW(DevicePath(level).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << level;
  }
  EXPECT_EQ(ReadyPageFolder(), "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016");
}

TEST_F(DiagnosisTest, AnExistingProductFolderIsReusedOnlyAfterYes) {
  PlaceLauncherPackage();
  PrepareDevice();
  PutDeviceFolder("\\ROMDisk\\PROGRAM");
  PutDeviceFolder("\\ROMDisk\\PROGRAM\\Talvenia");
  PutDeviceFolder("\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016");
  ASSERT_TRUE(StartAtDestination());

  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    ASSERT_TRUE(wizard.ClickNext());
    auto box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << "no overwrite question";
    EXPECT_EQ(box->text, "La directory selezionata esiste gi\xE0. Sovrascriverla?") << box->Describe();
    EXPECT_EQ(box->caption, "Attenzione");
    EXPECT_EQ(box->icon, "question");
    EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
    ASSERT_TRUE(Answer(*box, answer));
    if (answer == IDNO) {
      EXPECT_TRUE(wizard.NoMessageBoxWithin(300));
      EXPECT_EQ(wizard.Step(), kPageDestination);
    }
  }
  ASSERT_TRUE(wizard.WaitForStep(kPageReadyToInstall)) << "showing step " << wizard.Step();
  EXPECT_EQ(ReadyPageFolder(), "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016");
}

TEST_F(DiagnosisTest, AFolderThatCannotBeCreatedKeepsThePage) {
  PlaceLauncherPackage();
  PrepareDevice();
  PutDeviceFile("\\ROMDisk\\PROGRAM", "a file where a folder should go");
  ASSERT_TRUE(StartAtDestination());
  ASSERT_EQ(Notes(), kReady);
  ASSERT_TRUE(wizard.ClickNext());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "Impossibile creare la cartella di destinazione") << box->Describe();
  EXPECT_EQ(box->caption, "Installatore");
  EXPECT_EQ(box->icon, "error");
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_EQ(wizard.Step(), kPageDestination);
}

TEST_F(DiagnosisTest, BackStoresTheReadyAreaOrEmptiesTheChoiceAndRemovesStaleReports) {
  PrepareDevice();
  PutDeviceFile("\\ROMDisk\\MSize.DFS", "stale");
  PutDeviceFile("\\Equal\\MSize.DFS", "stale");
  ASSERT_TRUE(StartAtDestination());
  ASSERT_TRUE(Select("ROMDisk"));
  ASSERT_EQ(Notes(), kReady);

  // The next survey finds ROMDisk as full as the package is large.
  device.volumes[0].size = 16 * kMiB;
  ApplyDevice();
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageConnection));
  const InstallerState* state = State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->m_strDestinationDir, "\\ROMDisk\\");
  EXPECT_FALSE(DeviceFileExists("\\ROMDisk\\MSize.DFS"));
  EXPECT_FALSE(DeviceFileExists("\\Equal\\MSize.DFS"));

  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageDestination));
  ASSERT_TRUE(Select("ROMDisk"));
  ASSERT_EQ(Notes(), kNoRoom);
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageConnection));
  state = State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->m_strDestinationDir, "");
}

}  // namespace
}  // namespace destination_test
