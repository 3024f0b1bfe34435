// The frame's package services: the package beside the program is copied and decompressed into the user's
// temporary folder before the first page shows; both temporary files go when the frame goes. Every path here
// is a host path and stays UTF-16, so a temporary or program folder outside the ANSI code page works as any.
#include <windows.h>
#include <cstdio>
#include "DlgWizardInstaller.h"
#include "inflate_package.h"
#include "package_facts.h"
#include "package_location.h"
#include "unique_handle.h"

namespace {
constexpr size_t kStreamBuffer = 1 << 18;

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

// The package into the temporary folder as a new plain file (never the package's own attributes), with each
// block read counted. False when it could not be copied whole.
bool CopyPackageFile(const std::wstring& from, const std::wstring& to, talv::PreparationProgress* progress) {
  base::UniqueFile source(_wfopen(from.c_str(), L"rb"));
  base::UniqueFile copy(_wfopen(to.c_str(), L"wb"));
  if (!source.IsValid() || !copy.IsValid()) return false;
  // The copy moves large blocks of its own: no stream buffer in between.
  setvbuf(source.Get(), nullptr, _IONBF, 0);
  setvbuf(copy.Get(), nullptr, _IONBF, 0);
  return talv::CopyPackage(source.Get(), copy.Get(), progress) && copy.Close();
}
}  // namespace

std::wstring CDlgWizardInstaller::GetTempPackagePath(bool compressed) const {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  // Without a temporary folder there is no path: a bare name would land in the current folder.
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length) + (compressed ? L"TFInst.zip" : L"TFInst.pkg");
}

int CDlgWizardInstaller::InflatePackage(FILE* source, FILE* destination) {
  return ::InflatePackage(source, destination, m_pPreparationWindow.get());
}

void CDlgWizardInstaller::PreparePackage() {
  // What an earlier run left behind (a killed process keeps its temporary files) is never installed: only
  // what this run prepares below can be.
  DeleteTempFiles();
  const std::wstring folder = ExecutableFolder();
  std::wstring packageName;
  if (!FindFirstPackage(folder, &packageName)) return;
  const std::wstring packagePath = folder + L"\\" + packageName;
  if (!base::UniqueFile(_wfopen(packagePath.c_str(), L"rb")).IsValid()) return;

  const std::wstring compressedPath = GetTempPackagePath(true);
  const std::wstring archivePath = GetTempPackagePath(false);
  if (compressedPath.empty()) return;
  // A large package takes seconds before the wizard can show: a window of its own says so meanwhile.
  m_pPreparationWindow = std::make_unique<PreparationWindow>(FileBytes(packagePath));
  // A copy that failed must leave nothing that could be taken for this run's package.
  if (!CopyPackageFile(packagePath, compressedPath, m_pPreparationWindow.get())) {
    m_pPreparationWindow->Finish();
    DeleteTempFiles();
    return;
  }
  {
    m_pPreparationWindow->BeginPhase(talv::PreparationPhase::Inflate);
    base::UniqueFile source(_wfopen(compressedPath.c_str(), L"rb"));
    base::UniqueFile archive(_wfopen(archivePath.c_str(), L"wb"));
    if (!source.IsValid() || !archive.IsValid()) {
      m_pPreparationWindow->Finish();
      return;
    }
    // Large blocks between the streams and the disk: the inflate loop's 16 KiB steps cost no host call each.
    setvbuf(source.Get(), nullptr, _IOFBF, kStreamBuffer);
    setvbuf(archive.Get(), nullptr, _IOFBF, kStreamBuffer);
    int result = InflatePackage(source.Get(), archive.Get());
    if (result == 0) {
      uint64_t size = 0;
      if (talv::StreamSize(archive.Get(), &size)) m_state.m_dRequiredMB = talv::RequiredMegabytes(size);
    }
    // The last buffered bytes reach the file only now; an archive that misses them is no sound package.
    if (!archive.Close() && result == 0) result = -1;
    m_nInflateResult = result;
  }
  if (base::UniqueFile archive(_wfopen(archivePath.c_str(), L"rb")); archive.IsValid())
    talv::ReadPackageFlags(archive.Get(), &m_state.m_bProductA, &m_state.m_bLauncherInstall);
  m_pPreparationWindow->Finish();
}

void CDlgWizardInstaller::DeleteTempFiles() {
  const std::wstring compressedPath = GetTempPackagePath(true);
  if (compressedPath.empty()) return;
  DeleteTempFile(compressedPath);
  DeleteTempFile(GetTempPackagePath(false));
}
