// The storage survey on entry to the destination step: the agent put on the handheld and run, its report read
// into the list and deleted, the main store added, and what the page shows when a step fails.
#include <gtest/gtest.h>

#include "DestinationFixture.h"
#include "resource.h"

using namespace ui_test;

namespace destination_test {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
const char kAgentPath[] = "\\Windows\\TalveniaGDFS.exe";
const char kAgentStart[] = "\\Windows\\TalveniaGDFS.exe\t\r\n";

class SurveyTest : public DestinationTest {};

TEST_F(SurveyTest, RealAgentReportsTheVolumesAndTheMainStoreIsAdded) {
  const std::string agent = AgentBytes();
  ASSERT_FALSE(agent.empty()) << "the test program carries no agent resource";
  // ROMDisk 12.5 MB and a card of 1000 MB free; the main store has 3 MB free once the agent is on it.
  device.volumes = {{"ROMDisk", 13107200}, {"Storage Card", 1000 * kMiB}};
  device.storeSize = 3 * kMiB + agent.size();
  PrepareDevice();
  ASSERT_TRUE(StartAtDestination());

  EXPECT_EQ(DeviceFile(kAgentPath), agent) << "the agent on the handheld is not the one carried";
  EXPECT_EQ(ProcessesLog(), kAgentStart) << "the agent must be started once, with no command line";
  EXPECT_FALSE(DeviceFileExists("\\MSize.DFS")) << "the report must be deleted once read";
  EXPECT_FALSE(FileExists(TempFolder() + L"\\temp\\TalveniaGDFS.exe")) << "the host copy must go";
  const std::vector<Entry> expected = {{"\\Programmi\\", 300}, {"ROMDisk", 1250}, {"Storage Card", 100000}};
  EXPECT_EQ(Entries(), expected);
  EXPECT_EQ(SelectedIndex(), 0);
}

TEST_F(SurveyTest, AnAgentAlreadyThereIsStartedAsItIsOnAnyProcessor) {
  device.processor = 0;  // x86: a deployment would be refused, but none is needed
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"ROMDisk", 12.5));
  ASSERT_TRUE(StartAtDestination());
  EXPECT_TRUE(wizard.NoMessageBoxWithin(300));
  EXPECT_EQ(DeviceFile(kAgentPath), AgentBytes()) << "the agent on the handheld must not be replaced";
  EXPECT_EQ(ProcessesLog(), kAgentStart);
  ASSERT_EQ(Entries().size(), 2u);
  EXPECT_EQ(Entries()[1], (Entry{"ROMDisk", 1250}));
}

TEST_F(SurveyTest, ReportFiguresAreTruncatedAndOddRecordsHandled) {
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"ROMDisk", 0.009) + ReportRecord(u"Storage Card", 0.019) +
            ReportRecord(u"Scheda \u03A9", 100.0) + ReportRecord(u"Guasto", -1.0) + ReportRecord(u"", 5.0) +
            ReportRecord(u"a\\b", 5.0) + ReportRecord(u"Troncato", 7.0).substr(0, 300));
  ASSERT_TRUE(StartAtDestination());
  const std::vector<Entry> expected = {
      {"\\Programmi\\", 3200 - 1}, {"Guasto", -100}, {"ROMDisk", 0}, {"Scheda ?", 10000}, {"Storage Card", 1}};
  std::vector<Entry> entries = Entries();
  ASSERT_EQ(entries.size(), expected.size()) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries[0].text, expected[0].text);
  EXPECT_GE(entries[0].hundredths, 3199) << "32 MB main store less a few bytes";
  for (std::size_t i = 1; i < expected.size(); ++i) EXPECT_EQ(entries[i], expected[i]);
  EXPECT_FALSE(DeviceFileExists("\\MSize.DFS"));

  // A name with a character that has no narrow form can never pass the write test.
  ASSERT_TRUE(Select("Scheda ?"));
  EXPECT_EQ(FreeText(), "100.00 Mb liberi");
  EXPECT_EQ(Notes(),
            "-> Fallito il test di scrittura sulla destinazione\r\n Area protetta da scrittura o permessi negati\r\n");
  // A negative figure reads as a failed reading.
  ASSERT_TRUE(Select("Guasto"));
  EXPECT_EQ(FreeText(), "---");
  EXPECT_EQ(Notes(), "Fallita la lettura dell'area selezionata\r\nImpossibile installarci Talvenia");
}

TEST_F(SurveyTest, AnEmptyReportIsDeletedAndOnlyTheMainStoreIsOffered) {
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(std::string());
  ASSERT_TRUE(StartAtDestination());
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(Entries()[0].text, "\\Programmi\\");
  EXPECT_EQ(SelectedIndex(), 0);
  EXPECT_FALSE(DeviceFileExists("\\MSize.DFS"));
}

TEST_F(SurveyTest, LauncherInstallationOffersOnlyRomDiskInAnyLetterCase) {
  PlaceLauncherPackage();
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"Storage Card", 1.0) + ReportRecord(u"romDISK", 12.5) + ReportRecord(u"ROMDisk2", 16.0));
  ASSERT_TRUE(StartAtDestination());
  const std::vector<Entry> expected = {{"romDISK", 1250}};
  EXPECT_EQ(Entries(), expected);
  EXPECT_EQ(SelectedIndex(), 0);
}

TEST_F(SurveyTest, LauncherInstallationWithoutRomDiskHasNothingToOffer) {
  PlaceLauncherPackage();
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"Storage Card", 500.0) + ReportRecord(u"ROMDisk2", 16.0));
  ASSERT_TRUE(StartAtDestination());
  EXPECT_TRUE(Entries().empty()) << ::testing::PrintToString(Entries());
  EXPECT_EQ(SelectedIndex(), -1);
  EXPECT_EQ(FreeText(), "---");
  EXPECT_EQ(RequiredText(), "0.50 Mb neccessari");
  EXPECT_EQ(Notes(), "Fallita la lettura dell'area selezionata\r\nImpossibile installarci Talvenia");

  ASSERT_TRUE(wizard.ClickNext());
  auto box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "Next must be refused with a message";
  EXPECT_EQ(box->text, "Selezionare prima una destinazione valida") << box->Describe();
  EXPECT_EQ(box->caption, "Installatore");
  EXPECT_EQ(box->icon, "exclamation");
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_EQ(wizard.Step(), kPageDestination);
}

TEST_F(SurveyTest, AgentThatCannotBeDeployedLeavesNoDataAndNoCopies) {
  const struct {
    const char* what;
    int processor;
    uint64_t storeSize;
  } cases[] = {
      {"handheld that is not ARM", 0, 32 * kMiB},
      {"main store too small for the agent", 5, 6000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    device.processor = c.processor;
    device.storeSize = c.storeSize;
    PrepareDevice();
    ASSERT_TRUE(wizard.Start());
    ASSERT_TRUE(ReachStep(kPageConnection));
    ASSERT_TRUE(wizard.ClickNext());
    auto box = wizard.WaitForMessageBox(15000);
    ASSERT_TRUE(box.has_value()) << "no message about the failed survey";
    EXPECT_EQ(box->text, "Impossibile determinare lo spazio disponibile delle destinazioni") << box->Describe();
    EXPECT_EQ(box->caption, "Installatore");
    EXPECT_EQ(box->icon, "error");
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    ASSERT_TRUE(Answer(*box, IDOK));
    ASSERT_TRUE(wizard.WaitForStep(kPageDestination));
    EXPECT_EQ(Notes(), "Dati non disponibili. Impossibile continuare");
    EXPECT_EQ(FreeText(), "---");
    EXPECT_EQ(RequiredText(), "---");
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(DeviceFileExists(kAgentPath)) << "no agent, whole or partial, may stay on the handheld";
    EXPECT_EQ(ProcessesLog(), "") << "nothing may be started";
    EXPECT_FALSE(FileExists(TempFolder() + L"\\temp\\TalveniaGDFS.exe")) << "the host copy must go";

    ASSERT_TRUE(wizard.ClickNext());
    auto refusal = wizard.WaitForMessageBox();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, "Selezionare prima una destinazione valida");
    ASSERT_TRUE(Answer(*refusal, IDOK));
    EXPECT_EQ(wizard.Step(), kPageDestination);
    wizard.Close();
  }
}

TEST_F(SurveyTest, DeviceFoldersAreRecordedOnEveryRefreshAndFailedLookUpsStayEmpty) {
  device.programFiles = "\\" + std::string(300, 'p');  // too long for the look-up's buffer: it fails
  device.personal = "\\" + std::string(300, 'd');
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"ROMDisk", 20.0));
  ASSERT_TRUE(StartAtDestination());
  const std::vector<Entry> expected = {{"ROMDisk", 2000}};
  EXPECT_EQ(Entries(), expected) << "without a program-files folder the main store is not offered";
  InstallerState* state = State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->m_strProgramFilesDir, "");
  EXPECT_EQ(state->m_strDocumentsDir, "");
  EXPECT_EQ(state->m_strWindowsDir, "\\Windows\\");
  EXPECT_EQ(state->m_strHelpDir, "\\Windows\\Help\\");
  EXPECT_EQ(state->m_strDesktopDir, "\\Windows\\Desktop\\");
  EXPECT_EQ(state->m_strStartupDir, "\\Windows\\Avvio\\");

  // "Aggiorna" looks every folder up again.
  for (std::string* field : {&state->m_strProgramFilesDir, &state->m_strDocumentsDir, &state->m_strWindowsDir,
                             &state->m_strHelpDir, &state->m_strDesktopDir, &state->m_strStartupDir})
    *field = "stale";
  PutReport(ReportRecord(u"ROMDisk", 20.0));
  ASSERT_TRUE(ClickRefresh());
  ASSERT_TRUE(WaitForNotesChange());
  state = State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->m_strProgramFilesDir, "");
  EXPECT_EQ(state->m_strDocumentsDir, "");
  EXPECT_EQ(state->m_strWindowsDir, "\\Windows\\");
  EXPECT_EQ(state->m_strHelpDir, "\\Windows\\Help\\");
  EXPECT_EQ(state->m_strDesktopDir, "\\Windows\\Desktop\\");
  EXPECT_EQ(state->m_strStartupDir, "\\Windows\\Avvio\\");
  EXPECT_EQ(Entries(), expected);
  EXPECT_EQ(ProcessesLog(), std::string(kAgentStart) + kAgentStart) << "each survey starts the agent";
}

TEST_F(SurveyTest, EnteringAgainSurveysAfreshWithTheDevicesNewFolders) {
  PrepareDevice();
  PutAgentThatDoesNotRun();
  PutReport(ReportRecord(u"ROMDisk", 20.0));
  ASSERT_TRUE(StartAtDestination());
  EXPECT_EQ(Entries()[0].text, "\\Programmi\\");

  device.programFiles = "\\Program Files";
  device.personal = "\\My Documents";
  ApplyDevice();  // read again when the link is opened anew on the way back
  PutReport(ReportRecord(u"Storage Card", 7.0));
  ASSERT_TRUE(wizard.ClickBack());
  ASSERT_TRUE(wizard.WaitForStep(kPageConnection));
  ASSERT_TRUE(wizard.ClickNext());
  ASSERT_TRUE(wizard.WaitForStep(kPageDestination));
  const std::vector<Entry> entries = Entries();
  ASSERT_EQ(entries.size(), 2u) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries[0].text, "\\Program Files\\");
  EXPECT_EQ(entries[1], (Entry{"Storage Card", 700}));
  const InstallerState* state = State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->m_strProgramFilesDir, "\\Program Files\\");
  EXPECT_EQ(state->m_strDocumentsDir, "\\My Documents\\");
}

}  // namespace
}  // namespace destination_test
