// The installation worker: everything here runs on the worker thread. It opens the archive, hands it to the
// installation operation with the page's controls, flag and message boxes and the handheld behind the
// operation's interfaces, and takes the final step.
#include <atomic>
#include <cstdio>
#include <optional>

#include "DlgSubPageInstallation.h"
#include "InstallDeviceErrors.h"
#include "WizardMessages.h"
#include "device_operations.h"
#include "install_operation.h"
#include "rapi_session.h"
#include "unique_handle.h"

namespace {

constexpr const char kMissingPackage[] = "Pacchetto di installazione mancante.\nImpossibile installare!";
constexpr const char kDamagedPackage[] = "Pacchetto di installazione danneggiato.\nImpossibile installare!";
constexpr size_t kArchiveReadBuffer = 1 << 16;
// The worker's own start-up of RAPI waits as long as the wizard's connection check.
constexpr DWORD kWorkerLinkTimeoutMs = 5000;

DWORD TickNow() { return ::GetTickCount(); }

std::atomic<CDlgSubPageInstallation::WorkerWatcher> g_workerWatcher{nullptr};

// Two enumerations of one report: compared as the numbers that cross WM_INSTALLATION_FINISHED.
static_assert(static_cast<int>(talv::kInstallCompleted) == static_cast<int>(InstallCompleted) &&
                  static_cast<int>(talv::kInstallInterrupted) == static_cast<int>(InstallInterrupted) &&
                  static_cast<int>(talv::kInstallFailed) == static_cast<int>(InstallFailed),
              "the operation's results are the frame's");

}  // namespace

// What the operation reaches through the page: its bar and log, its interrupt flag, its message boxes; and the
// handheld, whose every call the worker makes is here.
class CDlgSubPageInstallation::WorkerHost : public talv::InstallDevice, public talv::InstallCallback {
 public:
  explicit WorkerHost(CDlgSubPageInstallation& page) : m_page(page) {}

  bool CreateFolder(const std::string& devicePath) override { return talv::CreateDeviceFolder(devicePath); }
  uint32_t CopyFile(FILE* source, uint32_t byteCount, const std::string& devicePath) override {
    return talv::CopyFileToDevice(source, byteCount, devicePath);
  }

  // 32-bit bounds: 65535 entries need an upper bound of 65536.
  void BeginProgress(int entryCount) override { m_page.m_feed.SetRange(entryCount + 1); }
  void SetPosition(int position) override {
    Watch(WorkerStep::Position, position);
    m_page.m_feed.SetPos(position);
    m_page.m_feed.Update();
  }
  void Log(const std::string& text) override {
    m_page.m_feed.Log(text);
    m_page.m_feed.Update();
  }
  bool StopRequested(int nextEntry) override {
    Watch(WorkerStep::StopPoll, nextEntry);
    return m_page.m_bInterruptRequested.exchange(false);
  }
  void ReportFailure(talv::InstallFailure failure, uint32_t deviceError) override {
    m_page.ShowWorkerMessage(
        failure == talv::InstallFailure::DamagedArchive ? kDamagedPackage : DeviceWriteErrorText(deviceError),
        kCaptionError, MB_OK | MB_ICONERROR);
  }

 private:
  static void Watch(WorkerStep step, int value) {
    if (WorkerWatcher watcher = g_workerWatcher.load()) watcher(step, value);
  }

  CDlgSubPageInstallation& m_page;
};

void CDlgSubPageInstallation::SetWorkerWatcher(WorkerWatcher watcher) { g_workerWatcher = watcher; }

int CDlgSubPageInstallation::InstallWorker(CDlgSubPageInstallation* page) {
  const InstallerState& state = *page->m_pState;
  const PreparedPackage& package = page->Package();
  const std::string installFolder = package.InstallFolder(state.m_strDestinationDir);
  // Only an archive that this run prepared is installed, and only when its whole stream, checksum included,
  // checked out: a damaged package is refused before anything reaches the handheld.
  const std::optional<int> inflated = package.inflateResult;

  // Every device call of the installation runs on this thread, inside a start-up of RAPI of its own; it ends
  // before the report, so the frame's next connection check finds none of this thread's left.
  std::optional<talv::ThreadRapiSession> session(std::in_place, kWorkerLinkTimeoutMs, TickNow);
  int result = InstallFailed;
  base::UniqueFile archive(
      inflated.has_value() && !package.archivePath.empty() ? _wfopen(package.archivePath.c_str(), L"rb") : nullptr);
  if (!archive.IsValid()) {
    page->ShowWorkerMessage(kMissingPackage, kCaptionError, MB_OK | MB_ICONERROR);
  } else if (*inflated != 0) {
    page->ShowWorkerMessage(kDamagedPackage, kCaptionError, MB_OK | MB_ICONERROR);
  } else {
    // The copy takes 4096 bytes at a time; reading the archive in larger blocks spares the host a call each time.
    setvbuf(archive.Get(), nullptr, _IOFBF, kArchiveReadBuffer);
    const talv::ArchiveBases bases{installFolder, state.m_strDocumentsDir, state.m_strWindowsDir, state.m_strHelpDir};
    WorkerHost host(*page);
    result = talv::RunInstallation(archive.Get(), bases, host, host).result;
    // What the page shows when the step ends is every line and the bar's last position.
    page->m_feed.Flush();
    archive.Reset();
    if (result == InstallCompleted) page->StartInstalledProduct(installFolder);
  }
  session.reset();
  // Last action before the report: from here on a confirmed "Interrompi" finds nothing to stop.
  page->m_nWorker = kWorkerFinishing;
  return result;
}

void CDlgSubPageInstallation::StartInstalledProduct(const std::string& installFolder) {
  // The package's flags as prepared: a value no thread writes, so the worker reads it freely.
  const PreparedPackage& package = Package();
  if (package.launcherInstall) {
    // The agent writes the launcher's entry for the product.
    talv::StartDeviceProgram(kDeviceAgentPath, package.productA ? L"-talvspec" : L"-fenspec");
    return;
  }
  ShowWorkerMessage(package.productA ? "Avvio di Talvenia da palmare" : "Avvio di Fendro da palmare", kCaptionInstaller,
                    MB_OK | MB_ICONEXCLAMATION);
  talv::StartDeviceProgram(installFolder + (package.productA ? "Talvenia.exe" : "Fendro.exe"));
}
