// The frame's package services: the package beside the program is copied and decompressed into the user's
// temporary folder before the first page shows; both temporary files go when the frame goes.
#include <windows.h>
#include <cstdio>
#include <memory>
#include "DlgWizardInstaller.h"
#include "inflate_package.h"
#include "package_facts.h"
#include "package_location.h"
#include "Text.h"

namespace {
// Closes a C stream when it goes out of scope.
struct FileCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) fclose(f);
  }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

FILE* OpenLatin1(const std::string& path, const wchar_t* mode) { return _wfopen(afx::Widen(path).c_str(), mode); }
}  // namespace

std::string CDlgWizardInstaller::GetTempPackagePath(bool compressed) const {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, folder);
  return afx::Narrow(folder) + (compressed ? "TFInst.zip" : "TFInst.pkg");
}

int CDlgWizardInstaller::InflatePackage(FILE* source, FILE* destination) {
  return ::InflatePackage(source, destination);
}

void CDlgWizardInstaller::PreparePackage() {
  const std::string folder = ExecutableFolder();
  std::string packageName;
  if (!FindFirstPackage(folder, &packageName)) return;
  const std::string packagePath = folder + "\\" + packageName;
  if (ScopedFile probe(OpenLatin1(packagePath, L"rb")); probe == nullptr) return;

  const std::string compressedPath = GetTempPackagePath(true);
  const std::string archivePath = GetTempPackagePath(false);
  ::CopyFileW(afx::Widen(packagePath).c_str(), afx::Widen(compressedPath).c_str(), FALSE);
  {
    ScopedFile source(OpenLatin1(compressedPath, L"rb"));
    ScopedFile archive(OpenLatin1(archivePath, L"wb"));
    if (source == nullptr || archive == nullptr) return;
    if (InflatePackage(source.get(), archive.get()) == 0) {
      uint64_t size = 0;
      if (talv::StreamSize(archive.get(), &size)) m_state.m_dRequiredMB = talv::RequiredMegabytes(size);
    }
  }
  if (ScopedFile archive(OpenLatin1(archivePath, L"rb")); archive != nullptr)
    talv::ReadPackageFlags(archive.get(), &m_state.m_bProductA, &m_state.m_bLauncherInstall);
}

void CDlgWizardInstaller::DeleteTempFiles() {
  ::DeleteFileW(afx::Widen(GetTempPackagePath(true)).c_str());
  ::DeleteFileW(afx::Widen(GetTempPackagePath(false)).c_str());
}
