// The frame's package services: the package beside the program is copied and decompressed into the user's
// temporary folder before the first page shows, on a thread of its own while the user-interface thread shows
// the start-up window and takes the requests of that time; both temporary files go when the frame goes. Every
// path here is a host path and stays UTF-16, so a temporary or program folder outside the ANSI code page
// works as any.
#include <windows.h>
#include "DlgWizardInstaller.h"
#include "PackagePreparation.h"
#include "default_folder_name.h"
#include "latin1_text.h"
#include "package_facts.h"
#include "package_location.h"
#include "unique_handle.h"

namespace {
constexpr DWORD kDrawEveryMs = 50;

// A read-only file (a copy of a package from a CD or a write-protected share keeps the attribute) refuses
// both deletion and being copied over; ours to remove, it is made a plain file first.
void DeleteTempFile(const std::wstring& path) {
  if (!::DeleteFileW(path.c_str()) && ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
    ::DeleteFileW(path.c_str());
}

uint64_t FileBytes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
}  // namespace

std::wstring CDlgWizardInstaller::TempPackagePath(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  // Without a temporary folder there is no path: a bare name would land in the current folder.
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length) + name;
}

std::wstring CDlgWizardInstaller::GetTempPackagePath(bool compressed) const {
  return compressed ? m_strCompressedPath : m_package.archivePath;
}

void CDlgWizardInstaller::PreparePackage() {
  // What an earlier run left behind (a killed process keeps its temporary files) is never installed: only
  // what this run prepares below can be.
  DeleteTempFiles();
  const std::wstring folder = ExecutableFolder();
  std::wstring packageName;
  if (FindFirstPackage(folder, &packageName)) {
    m_package.fileName = packageName;
    const std::wstring packagePath = folder + L"\\" + packageName;
    if (base::UniqueFile(_wfopen(packagePath.c_str(), L"rb")).IsValid() && !m_strCompressedPath.empty()) {
      PackagePreparation preparation(packagePath, m_strCompressedPath, m_package.archivePath, FileBytes(packagePath));
      if (preparation.Start()) {
        m_pPreparation = &preparation;
        AwaitPreparation(preparation);
        m_pPreparation = nullptr;
        TakePreparation(preparation);
      }
    }
  }
  // The package's facts, worked out once for every page: its flags as the state now holds them, and the
  // install folder's name. The name becomes part of a device path, which is narrow text: a character outside
  // ISO 8859-1 shows as '?', which no device folder name may hold, so such a name is refused where the folder
  // is made.
  m_package.productA = m_state.m_bProductA;
  m_package.launcherInstall = m_state.m_bLauncherInstall;
  m_package.folderName =
      talv::DefaultFolderName(m_package.fileName.empty() ? nullptr : base::Narrow(m_package.fileName).c_str(),
                              m_state.m_bProductA != 0, m_state.m_bLauncherInstall != 0);
}

void CDlgWizardInstaller::AwaitPreparation(PackagePreparation& preparation) {
  std::optional<int> quitCode;
  const HANDLE waitFor[] = {preparation.Thread(), preparation.ShowEvent()};
  for (;;) {
    const DWORD timeout = m_pPreparationWindow != nullptr ? kDrawEveryMs : INFINITE;
    const DWORD woke = ::MsgWaitForMultipleObjects(2, waitFor, FALSE, timeout, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    // A large package takes seconds before the wizard can show: a window of its own says so meanwhile.
    if (preparation.ShouldShow() && m_pPreparationWindow == nullptr && !preparation.StopRequested())
      m_pPreparationWindow = std::make_unique<PreparationWindow>(m_hWnd, preparation.PackageBytes());
    if (m_pPreparationWindow != nullptr) m_pPreparationWindow->Update(preparation.BytesRead(), preparation.Product());
    // Every message of the thread: the start-up window's, and the wizard's own (not yet on screen), each
    // request among them judged in the preparation's situation.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quitCode = static_cast<int>(message.wParam);
        QuitRequested(*quitCode);
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  preparation.WaitForEnd(INFINITE);
  if (m_pPreparationWindow != nullptr) {
    if (IsEnding())
      m_pPreparationWindow.reset();
    else
      m_pPreparationWindow->Finish();
  }
  // The modal loop starts afresh after this; the quit must still reach the loop outside the wizard.
  if (quitCode.has_value()) ::PostQuitMessage(*quitCode);
}

void CDlgWizardInstaller::TakePreparation(const PackagePreparation& preparation) {
  const PreparationOutcome& outcome = preparation.Outcome();
  // A copy that failed or was stopped must leave nothing that could be taken for this run's package.
  if (!outcome.copied || preparation.StopRequested()) {
    DeleteTempFiles();
    return;
  }
  m_package.inflateResult = outcome.inflateResult;
  if (outcome.inflateResult == 0 && outcome.archiveBytes.has_value())
    m_state.m_dRequiredMB = talv::RequiredMegabytes(*outcome.archiveBytes);
  if (outcome.productFlag.has_value()) m_state.m_bProductA = *outcome.productFlag;
  if (outcome.launcherFlag.has_value()) m_state.m_bLauncherInstall = *outcome.launcherFlag;
}

void CDlgWizardInstaller::DeleteTempFiles() {
  if (m_strCompressedPath.empty()) return;
  DeleteTempFile(m_strCompressedPath);
  DeleteTempFile(m_package.archivePath);
}
