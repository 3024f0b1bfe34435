// The installation worker: everything here runs on the worker thread, and every device call of the
// installation is made here.
#include <cstdio>
#include <memory>

#include "DlgSubPageInstallation.h"
#include "DlgWizardInstaller.h"
#include "InstallDeviceErrors.h"
#include "Text.h"
#include "WizardMessages.h"
#include "archive_reader.h"
#include "device_path_win.h"
#include "rapi.h"

namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

constexpr const char kMissingPackage[] = "Pacchetto di installazione mancante.\nImpossibile installare!";
constexpr const char kDamagedPackage[] = "Pacchetto di installazione danneggiato.\nImpossibile installare!";

// Starts a program on the handheld without waiting for it; whether it started is not the installation's
// concern, but the handles the link gives back are released.
void StartOnDevice(const std::string& image, const wchar_t* commandLine) {
  wchar_t imagePath[talv::kDevicePathUnits];
  if (!talv::DevicePathToWide(image.c_str(), imagePath)) return;
  PROCESS_INFORMATION started = {};
  if (!CeCreateProcess(imagePath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started))
    return;
  if (started.hThread != nullptr) CeCloseHandle(started.hThread);
  if (started.hProcess != nullptr) CeCloseHandle(started.hProcess);
}

void CreateDeviceFolder(const std::string& folder) {
  wchar_t path[talv::kDevicePathUnits];
  // An existing folder is fine; one that cannot be created shows itself when the copy into it fails.
  if (talv::DevicePathToWide(folder.c_str(), path)) CeCreateDirectory(path, nullptr);
}

}  // namespace

int CDlgSubPageInstallation::InstallWorker(CDlgSubPageInstallation* page) {
  CDlgWizardInstaller* wizard = page->GetWizard();
  const InstallerState& state = *page->m_pState;
  const std::string archivePath = wizard->GetTempPackagePath(false);
  const std::string installFolder = state.m_strDestinationDir + page->GetDefaultFolderName() + "\\";

  int result = InstallFailed;
  ScopedFile archive(_wfopen(afx::Widen(archivePath).c_str(), L"rb"));
  if (!archive) {
    page->ShowWorkerMessage(kMissingPackage, kCaptionError, MB_OK | MB_ICONERROR);
  } else {
    const talv::ArchiveBases bases{installFolder, state.m_strDocumentsDir, state.m_strWindowsDir,
                                   state.m_strHelpDir};
    result = page->CopyArchive(archive.get(), bases);
    archive.reset();
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
  if (result != InstallCompleted) return result;
  m_prgProgress.StepIt();
  AppendToLog("\r\nInstallazione completata");
  return InstallCompleted;
}

int CDlgSubPageInstallation::CopyEntries(talv::PackageArchiveReader& reader, FILE* archive,
                                         const talv::ArchiveBases& bases) {
  CDlgWizardInstaller* wizard = GetWizard();
  for (int i = 0; i < reader.EntryCount(); ++i) {
    // Checked only between entries, so an interrupt never leaves a file cut in the middle.
    if (m_bInterruptRequested.exchange(false)) {
      AppendToLog("\r\n\r\nInstallazione interrotta");
      return InstallInterrupted;
    }
    talv::ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) return ReportDamagedArchive();
    m_prgProgress.SetPos(i);
    const std::string name = entry.name.c_str();  // the name ends at a stray zero byte, as on the device
    if (!name.empty()) AppendToLog("Copia di " + name + "\r\n");

    const talv::EntryPlan plan = talv::PlanEntry(entry, bases);
    if (!plan.tagged) {
      // Nothing to create or copy; its data, if any, is passed over so the next entry is read in step.
      if (!reader.SkipData(entry)) return ReportDamagedArchive();
      continue;
    }
    bool copied = false;
    uint32_t deviceError = ERROR_FILENAME_EXCED_RANGE;
    if (!plan.pathTooLong) {
      for (const std::string& folder : plan.folderLevels) CreateDeviceFolder(folder);
      copied = wizard->CopyFileToDevice(archive, entry.dataSize, plan.devicePath.c_str());
      if (!copied) deviceError = CDlgWizardInstaller::GetLastCopyError();
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
    StartOnDevice(kDeviceAgentPath, state.m_bProductA ? L"-talvspec" : L"-fenspec");
    return;
  }
  ShowWorkerMessage(state.m_bProductA ? "Avvio di Talvenia da palmare" : "Avvio di Fendro da palmare",
                    kCaptionInstaller, MB_OK | MB_ICONEXCLAMATION);
  StartOnDevice(installFolder + (state.m_bProductA ? "Talvenia.exe" : "Fendro.exe"), nullptr);
}
