// The installer's promises under faults, on the real program and the emulated handheld: a finished install is
// exactly the package, from a package this run prepared; a closed wizard touches nothing more; the log tells
// the truth to the end; the temporary files go. Each row plays one fault, then the same three checks follow:
// the handheld's folder, the host temporary folder and the program's exit code.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "InstallerProcess.h"
#include "TestEnvironment.h"
#include "WizardMessages.h"
#include "resource.h"

using namespace ui_test;

namespace e2e_test {
namespace {

constexpr char kPackageName[] = "Talvenia2016_full.pkg";
// The main store is the first destination listed, and the one the walk takes.
constexpr char kInstallFolder[] = "\\Programmi\\Talvenia2016_full\\";
constexpr char kAnnouncement[] = "Avvio di Talvenia da palmare";

std::wstring InstallerPath() {
  std::wstring path = L"Z:";
  for (char c : std::string(TALV_INSTALLER_EXE)) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

// Entries e0.dat, e1.dat, ... each holding its own name, a hundred to a folder of the install folder (a host
// folder of thousands of files would make every new file cost a scan of it).
std::vector<PackageEntry> NumberedEntries(int count) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < count; ++i) {
    const std::string name = "e" + std::to_string(i) + ".dat";
    entries.push_back({name, "[PRG]d" + std::to_string(i / 100) + "\\", name});
  }
  return entries;
}

// A package whose archive is headerBytes followed by zeroBytes zeros, deflated as it streams.
bool WriteZeroTailPackage(const std::wstring& path, const std::string& headerBytes, uint64_t zeroBytes) {
  static const std::string zeros(1 << 20, '\0');
  talv_test::PackageFile package(talv_test::fs::path(path), 1);
  bool ok = package.IsOpen() && package.sink().Write(headerBytes.data(), headerBytes.size());
  for (uint64_t left = zeroBytes; ok && left > 0;) {
    const size_t chunk = left < zeros.size() ? static_cast<size_t>(left) : zeros.size();
    ok = package.sink().Write(zeros.data(), chunk);
    left -= chunk;
  }
  return ok && package.Finish();
}

class FaultTest;
struct FaultRow {
  const char* name;
  std::function<void(FaultTest&)> play;
};

class FaultTest : public ::testing::TestWithParam<FaultRow> {
 public:
  // --- Setting the scene --------------------------------------------------------------------------------
  void Prepare(const std::wstring& tempName = L"temp") {
    app = scratch.Path() + L"\\app";
    temp = scratch.Path() + L"\\" + tempName + L"\\";
    device = scratch.Path() + L"\\device";
    ASSERT_TRUE(::CreateDirectoryW(app.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr) || CreateNested(temp));
    program = app + L"\\TalveniaInstaller.exe";
    ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), program.c_str(), FALSE))
        << "no installer at " << TALV_INSTALLER_EXE;
    ApplyHandheld();
  }
  void PlacePackage(const std::vector<PackageEntry>& packageEntries) {
    entries = packageEntries;
    ASSERT_TRUE(WritePackage(AppFile(kPackageName), ArchiveBytes(1, 0, entries)));
  }
  void ApplyHandheld() { ASSERT_TRUE(WriteDevice(device, handheld)); }
  std::wstring AppFile(const char* name) const { return app + L"\\" + std::wstring(name, name + strlen(name)); }
  std::wstring DeviceFile(const std::string& devicePath) const { return DeviceHostPath(device, devicePath); }

  // --- Shared steps --------------------------------------------------------------------------------------
  void Start() { ASSERT_TRUE(installer.Start(program, temp, device)) << "the wizard did not show"; }
  void WalkTo(int step) { ASSERT_TRUE(installer.WalkTo(step)) << "stuck at step " << installer.Step(); }
  void PressInstall() { ASSERT_TRUE(Click(installer.FrameControl(IDC_NEXT))); }
  // Starts the program, walks to the ready page and presses "Installa".
  void StartAndInstall() {
    Start();
    if (!HasFatalFailure()) WalkTo(kPageReadyToInstall);
    if (!HasFatalFailure()) PressInstall();
  }
  void ExpectBox(const std::string& text, const char* caption, int button = IDOK) {
    const std::optional<MessageBoxSeen> box = installer.WaitForMessageBox(120000);
    ASSERT_TRUE(box.has_value()) << "no message box; step " << installer.Step();
    EXPECT_EQ(box->text, text) << box->Describe();
    EXPECT_EQ(box->caption, caption);
    ASSERT_TRUE(Answer(*box, button));
  }
  // Waits until the worker has logged its first lines: the copy is under way.
  void WaitUntilCopying() {
    ASSERT_TRUE(WaitUntil([&] { return installer.Step() == kPageInstallation && !Log().empty(); }, 30000));
  }
  std::string Log() const { return TextOf(installer.PageControl(IDC_LOG)); }
  // Walks to the ready page and presses "Installa" with a handheld that takes answerMs to answer: the check
  // of the switch is under way when this returns.
  void InstallIntoASlowCheck(int answerMs) {
    Start();
    if (!HasFatalFailure()) WalkTo(kPageReadyToInstall);
    if (HasFatalFailure()) return;
    handheld.answerMs = answerMs;
    ApplyHandheld();
    PressInstall();
    ASSERT_TRUE(WaitUntil([&] { return installer.Page() == nullptr; }, 2000)) << "no check under way";
  }
  // A click of a frame button sent to the frame, as another program can send it; false when it hung.
  bool SendClick(int id) {
    return installer.SendToFrame(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(installer.FrameControl(id)));
  }
  // The announcement of a free-standing install, then "Fine": the program ends.
  void AnnounceAndFinish() {
    ExpectBox(kAnnouncement, "Installatore");
    ASSERT_TRUE(installer.WaitForStep(kPageEndInstall)) << "step " << installer.Step();
    ASSERT_TRUE(Click(installer.FrameControl(IDC_NEXT)));
    WaitForExit();
  }
  // After a failed installation: back on the destination page, the user closes the wizard.
  void BackAtDestinationThenClose() {
    ASSERT_TRUE(installer.WaitForStep(kPageDestination)) << "step " << installer.Step();
    CloseBox();
  }
  void CloseBox() {
    ASSERT_TRUE(::PostMessageW(installer.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0));
    WaitForExit();
  }
  void WaitForExit() { ASSERT_TRUE(installer.WaitForExit(60000, &exitCode)) << "the program did not end"; }
  // Starts the program with a package of 2 GiB of zeros, seconds to prepare, and returns its start-up window
  // once the copy into the temporary folder is under way.
  HWND LaunchIntoALongPreparation() {
    Prepare();
    if (HasFatalFailure() || !WriteZerosPackage(AppFile(kPackageName), 1, 2u << 30)) return nullptr;
    if (!installer.Launch(program, temp, device)) return nullptr;
    HWND window = installer.WaitForPreparationWindow(30000);
    EXPECT_TRUE(FileExists(temp + L"TFInst.zip")) << "no copy under way";
    return window;
  }
  // Waits for the end of a program whose wizard must never show.
  void WaitForExitWithoutWizard() {
    bool wizardSeen = false;
    const bool ended = WaitUntil(
        [&] {
          wizardSeen = wizardSeen || installer.WizardShown();
          return installer.WaitForExit(0, &exitCode);
        },
        60000);
    ASSERT_TRUE(ended) << "the program did not end" << (wizardSeen ? "; its wizard showed" : "");
    EXPECT_FALSE(wizardSeen) << "the wizard showed after the close";
  }

  // --- The three checks every row ends with ------------------------------------------------------------
  void CheckOutcome() {
    EXPECT_EQ(exitCode, 0u);
    bool copiedSoFar = true;  // where the row cannot know how far the copy came: the first entries, each whole
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::wstring path = DeviceFile(kInstallFolder + entries[i].folder.substr(5) + entries[i].name);
      bool expected = i < entriesInstalled;
      if (entriesInstalled == kSomeFirstEntries) expected = copiedSoFar = copiedSoFar && FileExists(path);
      std::string onDevice;
      if (expected) {
        EXPECT_TRUE(ReadWholeFile(path, &onDevice) && onDevice == entries[i].data) << entries[i].name;
      } else {
        EXPECT_FALSE(FileExists(path)) << entries[i].name << " reached the handheld";
      }
    }
    EXPECT_EQ(TempFolderNames(), "") << "left in the temporary folder";
  }

  static constexpr size_t kSomeFirstEntries = ~size_t{0};

  ScratchFolder scratch{L"talv-faults"};
  std::wstring app, temp, device, program;
  DeviceDescription handheld;
  std::vector<PackageEntry> entries;  // what the package holds, looked for in the install folder at the end
  size_t entriesInstalled = 0;        // how many of them, from the first, must be there whole
  InstallerProcess installer;
  DWORD exitCode = ~0u;

 private:
  static bool CreateNested(const std::wstring& folder) {
    const size_t slash = folder.find_last_of(L'\\', folder.size() - 2);
    ::CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
    return ::CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
  }

 public:
  std::string TempFolderNames() const {
    std::string names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((temp + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names += std::string(name.begin(), name.end()) + " ";
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
  }
};

TEST_P(FaultTest, KeepsThePromise) {
  GetParam().play(*this);
  if (HasFatalFailure()) return;
  CheckOutcome();
}

// A copy slow enough to act in the middle of it: three calls an entry at 20 ms each.
void SlowCopyOf(FaultTest& t, int count) {
  t.handheld.callLatencyUs = 20000;
  t.Prepare();
  t.PlacePackage(NumberedEntries(count));
}

// The link to the handheld is lost where devicePath would be created, and the handheld's last error is 0 then,
// as on a fresh link: only CeRapiGetError tells the loss.
void LinkLostAt(FaultTest& t, const std::string& devicePath) {
  t.handheld.dropAtPath = devicePath;
  t.handheld.dropClearsError = true;
}

// The connection step's verdict once its check has run.
std::string ConnectionVerdict(FaultTest& t) {
  const auto checked = [&] { return IsEnabledWindow(t.installer.PageControl(IDC_REFRESH_CONNECTION)); };
  EXPECT_TRUE(WaitUntil(checked, 30000)) << "the check did not end";
  return TextOf(t.installer.PageControl(IDC_CONNECTION_RESULT));
}

constexpr char kLinkLost[] = "Connessione con il palmare interrotta";

const FaultRow kRows[] = {
    {"LinkLostAtACopyIsToldAsSuch",
     [](FaultTest& t) {
       // Empty files after the lost one: a loss read as the handheld's 0 would "copy" every one of them.
       LinkLostAt(t, std::string(kInstallFolder) + "d0\\e2.dat");
       t.Prepare();
       t.PlacePackage({{"e0.dat", "[PRG]d0\\", "e0"},
                       {"e1.dat", "[PRG]d0\\", "e1"},
                       {"e2.dat", "[PRG]d0\\", ""},
                       {"e3.dat", "[PRG]d0\\", ""},
                       {"e4.dat", "[PRG]d0\\", ""}});
       t.entriesInstalled = 2;
       t.StartAndInstall();
       t.ExpectBox(kLinkLost, "Errore");
       t.BackAtDestinationThenClose();
     }},
    {"LinkLostAtAFolderIsToldAsSuch",
     [](FaultTest& t) {
       LinkLostAt(t, std::string(kInstallFolder) + "d0");
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.StartAndInstall();
       t.ExpectBox(kLinkLost, "Errore");
       t.BackAtDestinationThenClose();
     }},
    {"LinkLostAtTheAgentsDeploymentStopsTheSurvey",
     [](FaultTest& t) {
       LinkLostAt(t, "\\Windows\\TalveniaGDFS.exe");
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageConnection);
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_NEXT)));
       t.ExpectBox("Impossibile determinare lo spazio disponibile delle destinazioni", "Installatore");
       ASSERT_TRUE(t.installer.WaitForStep(kPageDestination));
       EXPECT_FALSE(FileExists(t.DeviceFile("\\Windows\\TalveniaGDFS.exe"))) << "an agent that never arrived";
       t.CloseBox();
     }},
    {"ConnectsWithTheStartUpRecordOfItsOwnArchitecture",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageConnection);
       EXPECT_EQ(ConnectionVerdict(t).substr(0, 2), "OK") << "RAPI.dll takes only the record of the caller's size";
       t.CloseBox();
     }},
    {"WorkerStartsRapiOnItsOwnThread",
     [](FaultTest& t) {
       t.handheld.perThread = true;
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.entriesInstalled = 3;
       t.StartAndInstall();
       t.AnnounceAndFinish();
     }},
    {"WithoutRapiDllTheWizardStartsAndSaysWhatIsMissing",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       // No synchronisation software: no RAPI.dll on the search path (Wine adds WINEPATH to PATH).
       t.installer.SetVariable(L"WINEPATH", L"");
       t.installer.SetVariable(L"PATH", L"C:\\windows\\system32;C:\\windows");
       t.Start();
       t.WalkTo(kPageConnection);
       EXPECT_EQ(ConnectionVerdict(t),
                 "ERRORE - Mancata comunicazione con il palmare. Assicurarsi che sia collegato correttamente al "
                 "computer e che sia installato ActiveSync.");
       t.CloseBox();
     }},
    {"CloseDuringThePreparationEndsTheProgram",
     [](FaultTest& t) {
       HWND preparation = t.LaunchIntoALongPreparation();
       ASSERT_NE(preparation, nullptr) << "no start-up window";
       // Alt+F4 and the taskbar's "Close window" both come as WM_CLOSE.
       ASSERT_TRUE(::PostMessageW(preparation, WM_CLOSE, 0, 0));
       t.WaitForExitWithoutWizard();
     }},
    {"LogOffDuringThePreparationRemovesTheTemporaryFiles",
     [](FaultTest& t) {
       HWND preparation = t.LaunchIntoALongPreparation();
       ASSERT_NE(preparation, nullptr) << "no start-up window";
       DWORD_PTR answer = 0;
       ASSERT_TRUE(
           ::SendMessageTimeoutW(preparation, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
       EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "nothing holds the session during the preparation";
       ASSERT_TRUE(
           ::SendMessageTimeoutW(preparation, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
       // Once that answer is given the system may end the process at any moment, destructors unrun.
       EXPECT_EQ(t.TempFolderNames(), "") << "left behind at the end of the session";
       t.WaitForExitWithoutWizard();
     }},
    {"ForcedEndOfSessionDuringTheCopyStopsBeforeTheNextEntry",
     [](FaultTest& t) {
       SlowCopyOf(t, 40);
       t.entriesInstalled = FaultTest::kSomeFirstEntries;
       t.StartAndInstall();
       t.WaitUntilCopying();
       LRESULT answer = -1;
       ASSERT_TRUE(t.installer.SendToFrame(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &answer));
       ASSERT_EQ(answer, FALSE);
       // The user shuts down all the same.
       ASSERT_TRUE(t.installer.SendToFrame(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF));
       EXPECT_EQ(t.TempFolderNames(), "") << "left behind at the end of the session";
       t.WaitForExit();
       const std::wstring last =
           t.DeviceFile(kInstallFolder + t.entries.back().folder.substr(5) + t.entries.back().name);
       EXPECT_FALSE(FileExists(last)) << "the copy went on to the last entry";
     }},
    {"AnnullaDuringTheLastCheckIsAskedAfterIt",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.InstallIntoASlowCheck(2500);
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_CANCEL_BUTTON)));
       t.ExpectBox("Sei sicuro di voler annullare l'installazione di Talvenia?", "Installazione", IDYES);
       t.WaitForExit();
     }},
    {"ChecksumFailureIsNeverInstalled",
     [](FaultTest& t) {
       // 16,374 archive bytes stored at level 0 make a 16,385-byte stream: the last read holds only checksum
       // bytes, so every data byte is written before the checksum is found wrong.
       t.Prepare();
       t.entries = {{"a.bin", "[PRG]", std::string(16374 - 24, 'd')}};
       const std::string archive = ArchiveBytes(1, 0, t.entries);
       std::string stream = talv_test::Compress(archive, 0);
       ASSERT_EQ(stream.size(), 16385u);
       stream[2 + 5 + 24 + 100] ^= 0x01;  // one byte of a.bin's data
       ASSERT_TRUE(WriteWholeFile(t.AppFile(kPackageName), stream));
       t.StartAndInstall();
       t.ExpectBox("Pacchetto di installazione danneggiato.\nImpossibile installare!", "Errore");
       t.BackAtDestinationThenClose();
     }},
    {"StaleTemporaryPackageIsNeverInstalled",
     [](FaultTest& t) {
       // A killed run left a sound package in the temporary folder; this run has none beside the program.
       t.Prepare();
       t.entries = {{"Talvenia.exe", "[PRG]", "stale"}};
       const std::string archive = ArchiveBytes(1, 0, t.entries);
       ASSERT_TRUE(WriteWholeFile(t.temp + L"TFInst.pkg", archive));
       ASSERT_TRUE(WritePackage(t.temp + L"TFInst.zip", archive));
       t.StartAndInstall();
       t.ExpectBox("Pacchetto di installazione mancante.\nImpossibile installare!", "Errore");
       t.BackAtDestinationThenClose();
     }},
    {"CloseDuringTheLastCheckEndsTheWizard",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.InstallIntoASlowCheck(2500);
       t.CloseBox();
     }},
    {"LogAndBarOfThreeThousandEntriesGoToTheEnd",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3000));
       t.entriesInstalled = 3000;
       t.StartAndInstall();
       // The announcement comes before the report: the page still stands as the install left it.
       ASSERT_TRUE(WaitUntil([&] { return t.installer.WaitForMessageBox(0).has_value(); }, 120000));
       std::string expected;
       for (const PackageEntry& entry : t.entries) expected += "Copia di " + entry.name + "\r\n";
       expected += "\r\nInstallazione completata";
       const std::string log = t.Log();
       EXPECT_TRUE(log == expected) << log.size() << " characters, ending \"" << log.substr(log.size() - 40) << "\"";
       HWND bar = t.installer.PageControl(IDC_PROGRESS);
       EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 3000);
       EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
       EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 3001);
       t.AnnounceAndFinish();
     }},
    {"TemporaryFolderOutsideLatin1",
     [](FaultTest& t) {
       t.Prepare(L"\u0141ukasz\\temp");  // a user named Łukasz on an Italian PC
       t.PlacePackage(NumberedEntries(5));
       t.entriesInstalled = 5;
       t.StartAndInstall();
       t.AnnounceAndFinish();
     }},
    {"NextSentDuringTheCopyLeavesNothing",
     [](FaultTest& t) {
       SlowCopyOf(t, 40);
       t.entriesInstalled = 40;
       t.StartAndInstall();
       t.WaitUntilCopying();
       HWND next = t.installer.FrameControl(IDC_NEXT);
       ASSERT_TRUE(::PostMessageW(t.installer.Frame(), WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(next)));
       ::Sleep(300);
       EXPECT_EQ(t.installer.Step(), kPageInstallation) << "the page was left under the worker";
       t.AnnounceAndFinish();
     }},
    {"TruncatedAgentIsReplacedAfterAggiorna",
     [](FaultTest& t) {
       // The link drops while the agent (20 KiB) is copied: a cut-short agent stays on the handheld.
       t.handheld.failAfterBytes = "10000";
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.entriesInstalled = 3;
       t.Start();
       t.WalkTo(kPageConnection);
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_NEXT)));
       t.ExpectBox("Impossibile determinare lo spazio disponibile delle destinazioni", "Installatore");
       ASSERT_TRUE(t.installer.WaitForStep(kPageDestination));
       std::string agent;
       ASSERT_TRUE(ReadWholeFile(t.DeviceFile("\\Windows\\TalveniaGDFS.exe"), &agent));
       ASSERT_EQ(agent.size(), 10000u) << "the copy should have been cut short";
       // The cable is fine again; back to the connection step, "Aggiorna", and on.
       t.handheld.failAfterBytes.clear();
       t.ApplyHandheld();
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_BACK)));
       ASSERT_TRUE(t.installer.WaitForStep(kPageConnection));
       const auto checked = [&] {
         return TextOf(t.installer.PageControl(IDC_CONNECTION_RESULT)).rfind("OK", 0) == 0 &&
                IsEnabledWindow(t.installer.PageControl(IDC_REFRESH_CONNECTION));
       };
       ASSERT_TRUE(WaitUntil(checked)) << "the check on entering the step";
       // Sent, not posted: the click returns once its check has run, so the Next that follows is not pressed
       // during that check (and ignored).
       DWORD_PTR ignored = 0;
       ASSERT_TRUE(::SendMessageTimeoutW(t.installer.PageControl(IDC_REFRESH_CONNECTION), BM_CLICK, 0, 0, SMTO_NORMAL,
                                         60000, &ignored));
       ASSERT_TRUE(checked()) << "the check of \"Aggiorna\"";
       t.WalkTo(kPageReadyToInstall);
       EXPECT_FALSE(t.installer.WaitForMessageBox(0).has_value());
       t.PressInstall();
       t.AnnounceAndFinish();
     }},
    {"LogOffIsRefusedWhileTheWorkerCopies",
     [](FaultTest& t) {
       SlowCopyOf(t, 40);
       t.entriesInstalled = 40;
       t.StartAndInstall();
       t.WaitUntilCopying();
       LRESULT answer = -1;
       ASSERT_TRUE(t.installer.SendToFrame(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &answer));
       EXPECT_EQ(answer, FALSE) << "a log-off would end the program in the middle of a file";
       t.ExpectBox(kAnnouncement, "Installatore");
       ASSERT_TRUE(t.installer.WaitForStep(kPageEndInstall));
       ASSERT_TRUE(t.installer.SendToFrame(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &answer));
       EXPECT_EQ(answer, TRUE) << "once the worker has reported, the session may end";
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_NEXT)));
       t.WaitForExit();
     }},
    {"QuitDuringTheCopyWaitsForTheWorker",
     [](FaultTest& t) {
       SlowCopyOf(t, 40);
       t.entriesInstalled = FaultTest::kSomeFirstEntries;
       t.StartAndInstall();
       t.WaitUntilCopying();
       const DWORD uiThread = ::GetWindowThreadProcessId(t.installer.Frame(), nullptr);
       ASSERT_TRUE(::PostThreadMessageW(uiThread, WM_QUIT, 0, 0));
       t.WaitForExit();  // the worker stops before its next entry, reports, and only then the wizard goes
       const std::wstring last =
           t.DeviceFile(kInstallFolder + t.entries.back().folder.substr(5) + t.entries.back().name);
       EXPECT_FALSE(FileExists(last)) << "the copy went on to the last entry";
     }},
    {"KilledMidCopyThenRunAgainInstallsWhole",
     [](FaultTest& t) {
       SlowCopyOf(t, 40);
       t.entriesInstalled = 40;
       t.StartAndInstall();
       ASSERT_TRUE(WaitUntil([&] { return t.Log().find("Copia di e5.dat") != std::string::npos; }, 30000));
       t.installer.Kill();
       t.handheld.callLatencyUs = 0;
       t.ApplyHandheld();
       t.Start();
       t.WalkTo(kPageReadyToInstall);  // the install folder is there: "Sì" to its question
       t.PressInstall();
       t.AnnounceAndFinish();
     }},
    {"PackagePastTwoGibibytesStreams",
     [](FaultTest& t) {
       // One entry of zeros that makes the archive 2348 MiB: 2348.50 Mb needed with the half megabyte added.
       constexpr uint64_t kArchiveBytes = 2348ull << 20;
       constexpr uint64_t kOverhead = 6 + 8 + 7 + 5;
       t.handheld.storeSize = 3584ull << 20;
       t.Prepare();
       std::string header = ArchiveBytes(1, 0, {{"big.bin", "[PRG]", ""}});
       const uint32_t dataSize = static_cast<uint32_t>(kArchiveBytes - kOverhead);
       for (int i = 0; i < 4; ++i) header[10 + i] = static_cast<char>((dataSize >> (8 * i)) & 0xFF);
       ASSERT_TRUE(WriteZeroTailPackage(t.AppFile(kPackageName), header, dataSize));
       t.Start();
       t.WalkTo(kPageDestination);
       EXPECT_EQ(TextOf(t.installer.PageControl(IDC_REQUIRED_MEMORY)), "2348.50 Mb neccessari");
       t.WalkTo(kPageReadyToInstall);
       t.PressInstall();
       t.AnnounceAndFinish();
       const std::wstring big = t.DeviceFile(std::string(kInstallFolder) + "big.bin");
       FILE* file = _wfopen(big.c_str(), L"rb");
       ASSERT_NE(file, nullptr);
       static char buffer[1 << 20];
       uint64_t total = 0;
       bool zeros = true;
       for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0; total += got)
         zeros = zeros && std::all_of(buffer, buffer + got, [](char c) { return c == 0; });
       fclose(file);
       EXPECT_EQ(total, dataSize);
       EXPECT_TRUE(zeros);
       ::DeleteFileW(big.c_str());  // 2.3 GB need not wait for the end of the test
     }},
    {"PathsOf259And260Characters",
     [](FaultTest& t) {
       // The install folder has 29 characters: names of 230 and 231 make device paths of 259 and 260.
       t.Prepare();
       t.PlacePackage(
           {{std::string(226, 'a') + ".txt", "[PRG]", "fits"}, {std::string(227, 'b') + ".txt", "[PRG]", "no"}});
       t.entriesInstalled = 1;
       ASSERT_EQ(std::string(kInstallFolder).size() + t.entries[0].name.size(), 259u);
       t.StartAndInstall();
       t.ExpectBox("Percorso del file troppo lungo per il palmare", "Errore");
       t.BackAtDestinationThenClose();
     }},
    {"ReadOnlyPackageLeavesNoCopyAndNoStaleOneIsUsed",
     [](FaultTest& t) {
       // A package from a CD keeps its read-only attribute; an earlier run from one left its copy behind,
       // read-only too, holding another package.
       t.Prepare();
       const std::wstring leftover = t.temp + L"TFInst.zip";
       ASSERT_TRUE(WritePackage(leftover, ArchiveBytes(1, 0, {{"stale.dat", "[PRG]", "stale"}})));
       ASSERT_TRUE(::SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
       t.PlacePackage(NumberedEntries(3));
       t.entriesInstalled = 3;
       ASSERT_TRUE(::SetFileAttributesW(t.AppFile(kPackageName).c_str(), FILE_ATTRIBUTE_READONLY));
       t.StartAndInstall();
       t.AnnounceAndFinish();
       EXPECT_FALSE(FileExists(t.DeviceFile(std::string(kInstallFolder) + "stale.dat"))) << "the stale copy";
     }},
    {"PackageThatCannotBeCopiedIsNeverInstalled",
     [](FaultTest& t) {
       // Nothing can be copied over a folder of that name; a read-only archive of an earlier run lies beside it.
       t.Prepare();
       const std::wstring blocker = t.temp + L"TFInst.zip";
       ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));
       const std::wstring leftover = t.temp + L"TFInst.pkg";
       ASSERT_TRUE(WriteWholeFile(leftover, ArchiveBytes(1, 0, {{"stale.dat", "[PRG]", "stale"}})));
       ASSERT_TRUE(::SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
       t.PlacePackage(NumberedEntries(3));
       t.StartAndInstall();
       t.ExpectBox("Pacchetto di installazione mancante.\nImpossibile installare!", "Errore");
       t.BackAtDestinationThenClose();
       EXPECT_FALSE(FileExists(t.DeviceFile(std::string(kInstallFolder) + "stale.dat"))) << "the stale archive";
       ASSERT_TRUE(::RemoveDirectoryW(blocker.c_str()));  // the row's own; the rest of the folder is checked
     }},
    {"LogOffRemovesTheTemporaryFilesBeforeTheSessionEnds",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       LRESULT answer = -1;
       ASSERT_TRUE(t.installer.SendToFrame(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &answer));
       ASSERT_EQ(answer, TRUE);
       ASSERT_TRUE(t.installer.SendToFrame(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF));
       // Once that answer is given the system may end the process at any moment, destructors unrun.
       EXPECT_EQ(t.TempFolderNames(), "") << "left behind at the end of the session";
       t.WaitForExit();
     }},
    {"SetDefIdIsNoReportOfTheWorker",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(40));
       t.entriesInstalled = 40;
       t.Start();
       t.WalkTo(kPageReadyToInstall);
       // DM_SETDEFID shares its number with the worker's report; anyone may send it to a dialog.
       LRESULT defId = 0;
       ASSERT_TRUE(t.installer.SendToFrame(DM_SETDEFID, IDC_NEXT, 0));
       EXPECT_EQ(t.installer.Step(), kPageReadyToInstall) << "taken for a report";
       ASSERT_TRUE(t.installer.SendToFrame(DM_GETDEFID, 0, 0, &defId));
       EXPECT_EQ(defId, MAKELRESULT(IDC_NEXT, DC_HASDEFID)) << "the dialog's own meaning was lost";
       t.handheld.callLatencyUs = 20000;  // slow from the check of "Installa" on
       t.ApplyHandheld();
       t.PressInstall();
       t.WaitUntilCopying();
       ASSERT_TRUE(t.installer.SendToFrame(WM_INSTALLATION_FINISHED, InstallInterrupted, 0));
       EXPECT_EQ(t.installer.Step(), kPageInstallation) << "the page was left under the worker";
       t.AnnounceAndFinish();
     }},
    {"NextSentDuringTheCancelQuestionIsRefused",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageReadyToInstall);
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_CANCEL_BUTTON)));
       const std::optional<MessageBoxSeen> box = t.installer.WaitForMessageBox();
       ASSERT_TRUE(box.has_value());
       ASSERT_EQ(box->text, "Sei sicuro di voler annullare l'installazione di Talvenia?");
       ASSERT_TRUE(t.SendClick(IDC_NEXT));
       EXPECT_EQ(t.installer.Step(), kPageReadyToInstall) << "the installation started under the question";
       ASSERT_TRUE(Answer(*box, IDYES));
       t.WaitForExit();
     }},
    {"NextSentDuringTheOverwriteQuestionIsRefused",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageDestination);
       ASSERT_TRUE(::CreateDirectoryW(t.DeviceFile("\\Programmi\\Talvenia2016_full").c_str(), nullptr));
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_NEXT)));
       const std::optional<MessageBoxSeen> box = t.installer.WaitForMessageBox();
       ASSERT_TRUE(box.has_value());
       ASSERT_EQ(box->text, "La directory selezionata esiste gi\xE0. Sovrascriverla?");
       ASSERT_TRUE(t.SendClick(IDC_NEXT)) << "a second question, or the page freed under the first";
       ASSERT_TRUE(Answer(*box, IDYES));
       ASSERT_TRUE(t.installer.WaitForStep(kPageReadyToInstall)) << "step " << t.installer.Step();
       EXPECT_FALSE(t.installer.WaitForMessageBox(0).has_value());
       t.CloseBox();
     }},
    {"CloseDuringTheDestinationBoxEndsTheWizard",
     [](FaultTest& t) {
       t.handheld.failAfterBytes = "10000";  // the agent cannot be deployed: the entry of the step shows a box
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageConnection);
       ASSERT_TRUE(Click(t.installer.FrameControl(IDC_NEXT)));
       const std::optional<MessageBoxSeen> box = t.installer.WaitForMessageBox(120000);
       ASSERT_TRUE(box.has_value());
       ASSERT_EQ(box->text, "Impossibile determinare lo spazio disponibile delle destinazioni");
       // WM_CLOSE itself: the system's close command is not taken by a window that a box has disabled.
       ASSERT_TRUE(::PostMessageW(t.installer.Frame(), WM_CLOSE, 0, 0));
       ASSERT_TRUE(Answer(*box, IDOK));
       t.WaitForExit();
     }},
    {"QuitDuringTheLastCheckEndsTheWizard",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.InstallIntoASlowCheck(2500);
       const DWORD uiThread = ::GetWindowThreadProcessId(t.installer.Frame(), nullptr);
       ASSERT_TRUE(::PostThreadMessageW(uiThread, WM_QUIT, 0, 0));
       t.WaitForExit();
     }},
    {"EscapeDuringTheLastCheckEndsTheWizard",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.InstallIntoASlowCheck(2500);
       // As a page forwards the key to the frame.
       ASSERT_TRUE(::PostMessageW(t.installer.Frame(), WM_KEYDOWN, VK_ESCAPE, 0));
       t.WaitForExit();
     }},
    {"AggiornaSentDuringItsCheckStartsNoOther",
     [](FaultTest& t) {
       t.Prepare();
       t.PlacePackage(NumberedEntries(3));
       t.Start();
       t.WalkTo(kPageConnection);
       HWND refresh = t.installer.PageControl(IDC_REFRESH_CONNECTION);
       ASSERT_TRUE(WaitUntil([&] { return IsEnabledWindow(refresh); }));
       t.handheld.answerMs = 1500;
       t.handheld.trace = true;  // from the next start-up of the link on
       t.ApplyHandheld();
       const auto pressRefresh = [&] {
         return ::PostMessageW(t.installer.Page(), WM_COMMAND, MAKEWPARAM(IDC_REFRESH_CONNECTION, BN_CLICKED),
                               reinterpret_cast<LPARAM>(refresh));
       };
       ASSERT_TRUE(pressRefresh());
       ASSERT_TRUE(WaitUntil([&] { return !IsEnabledWindow(refresh); }, 2000)) << "no check under way";
       ASSERT_TRUE(pressRefresh());
       ASSERT_TRUE(WaitUntil([&] { return IsEnabledWindow(refresh); }, 30000));
       EXPECT_EQ(TextOf(t.installer.PageControl(IDC_CONNECTION_RESULT)).substr(0, 2), "OK") << "the docked handheld";
       std::string trace;
       ASSERT_TRUE(ReadWholeFile(t.device + L"\\trace.log", &trace));
       EXPECT_EQ(trace, "CeRapiInitEx\r\n") << "a second check ended the link the first waited for";
       t.CloseBox();
     }},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e_test
