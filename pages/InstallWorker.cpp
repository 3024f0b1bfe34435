// The installation worker: everything here runs on the worker thread, and every device call of the
// installation is made here.
#include <cstdio>
#include <set>

#include "DlgSubPageInstallation.h"
#include "DlgWizardInstaller.h"
#include "InstallDeviceErrors.h"
#include "WizardMessages.h"
#include "archive_reader.h"
#include "device_operations.h"
#include "unique_handle.h"

namespace {

constexpr const char kMissingPackage[] = "Pacchetto di installazione mancante.\nImpossibile installare!";
constexpr const char kDamagedPackage[] = "Pacchetto di installazione danneggiato.\nImpossibile installare!";
constexpr size_t kArchiveReadBuffer = 1 << 16;

}  // namespace

int CDlgSubPageInstallation::InstallWorker(CDlgSubPageInstallation* page) {
  CDlgWizardInstaller* wizard = page->GetWizard();
  const InstallerState& state = *page->m_pState;
  const std::wstring archivePath = wizard->GetTempPackagePath(false);
  const std::string installFolder = state.m_strDestinationDir + page->GetDefaultFolderName() + "\\";
  // Only an archive that this run prepared is installed, and only when its whole stream, checksum included,
  // checked out: a damaged package is refused before anything reaches the handheld.
  const std::optional<int> inflated = wizard->GetInflateResult();

  int result = InstallFailed;
  base::UniqueFile archive(inflated.has_value() ? _wfopen(archivePath.c_str(), L"rb") : nullptr);
  if (!archive.IsValid()) {
    page->ShowWorkerMessage(kMissingPackage, kCaptionError, MB_OK | MB_ICONERROR);
  } else if (*inflated != 0) {
    result = page->ReportDamagedArchive();
  } else {
    // The copy takes 4096 bytes at a time; reading the archive in larger blocks spares the host a call each time.
    setvbuf(archive.Get(), nullptr, _IOFBF, kArchiveReadBuffer);
    const talv::ArchiveBases bases{installFolder, state.m_strDocumentsDir, state.m_strWindowsDir, state.m_strHelpDir};
    result = page->CopyArchive(archive.Get(), bases);
    archive.Reset();
    if (result == InstallCompleted) page->StartInstalledProduct(installFolder);
  }
  // Last action before the report: from here on a confirmed "Interrompi" finds nothing to stop.
  page->m_bRunning = false;
  return result;
}

int CDlgSubPageInstallation::CopyArchive(FILE* archive, const talv::ArchiveBases& bases) {
  talv::PackageArchiveReader reader(archive);
  if (!reader.ReadHeader()) return ReportDamagedArchive();
  const int entryCount = reader.EntryCount();
  // 32-bit bounds: 65535 entries need an upper bound of 65536.
  m_prgProgress.SetRange32(0, entryCount + 1);
  m_prgProgress.SetPos(0);
  m_prgProgress.SetStep(1);
  const int result = CopyEntries(reader, archive, bases);
  if (result != InstallCompleted) {
    m_feed.Flush();
    return result;
  }
  // The bar takes its last step; the log's last lines go out together with the closing one.
  m_feed.FlushPosition();
  m_prgProgress.StepIt();
  m_feed.Log("\r\nInstallazione completata");
  m_feed.Flush();
  return InstallCompleted;
}

int CDlgSubPageInstallation::CopyEntries(talv::PackageArchiveReader& reader, FILE* archive,
                                         const talv::ArchiveBases& bases) {
  CDlgWizardInstaller* wizard = GetWizard();
  // Folders this installation created or found: each costs a round trip to the handheld, so each is made once.
  std::set<std::string> foldersMade;
  for (int i = 0; i < reader.EntryCount(); ++i) {
    // Checked only between entries, so an interrupt never leaves a file cut in the middle.
    if (m_bInterruptRequested.exchange(false)) {
      m_feed.Log("\r\n\r\nInstallazione interrotta");
      return InstallInterrupted;
    }
    talv::ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) return ReportDamagedArchive();
    m_feed.SetPos(i);
    const std::string name = entry.name.c_str();  // the name ends at a stray zero byte, as on the device
    if (!name.empty()) m_feed.Log("Copia di " + name + "\r\n");
    m_feed.Update();

    const talv::EntryPlan plan = talv::PlanEntry(entry, bases);
    if (!plan.tagged) {
      // Nothing to create or copy; its data, if any, is passed over so the next entry is read in step.
      if (!reader.SkipData(entry)) return ReportDamagedArchive();
      continue;
    }
    uint32_t deviceError = ERROR_FILENAME_EXCED_RANGE;
    bool copied = false;
    if (!plan.pathTooLong) {
      // A folder that cannot be made is tried again by the next entry in it; the copy into it fails and says so.
      for (const std::string& folder : plan.folderLevels)
        if (foldersMade.count(folder) == 0 && talv::CreateDeviceFolder(folder)) foldersMade.insert(folder);
      copied = wizard->CopyFileToDevice(archive, entry.dataSize, plan.devicePath.c_str(), &deviceError);
    }
    if (!copied) {
      // The log already names the file; the message says why it could not be written.
      ShowWorkerMessage(DeviceWriteErrorText(deviceError), kCaptionError, MB_OK | MB_ICONERROR);
      return InstallFailed;
    }
    if (!reader.DataConsumed(entry)) return ReportDamagedArchive();
  }
  return InstallCompleted;
}

int CDlgSubPageInstallation::ReportDamagedArchive() {
  ShowWorkerMessage(kDamagedPackage, kCaptionError, MB_OK | MB_ICONERROR);
  return InstallFailed;
}

void CDlgSubPageInstallation::StartInstalledProduct(const std::string& installFolder) {
  const InstallerState& state = *m_pState;
  if (state.m_bLauncherInstall) {
    // The agent writes the launcher's entry for the product.
    talv::StartDeviceProgram(kDeviceAgentPath, state.m_bProductA ? L"-talvspec" : L"-fenspec");
    return;
  }
  ShowWorkerMessage(state.m_bProductA ? "Avvio di Talvenia da palmare" : "Avvio di Fendro da palmare",
                    kCaptionInstaller, MB_OK | MB_ICONEXCLAMATION);
  talv::StartDeviceProgram(installFolder + (state.m_bProductA ? "Talvenia.exe" : "Fendro.exe"));
}
