// The destination step's storage survey: the device agent put on the handheld, its storage report read into
// the list of storage areas, and the reports left inside the volumes removed.
#include <cstdio>
#include <memory>

#include "DlgSubPageDestination.h"
#include "DlgWizardInstaller.h"
#include "WizardMessages.h"
#include "resource.h"
#include "storage_survey.h"
#include "storage_survey_win.h"

namespace {

constexpr char kAgentTempName[] = "TalveniaGDFS.exe";
constexpr char kAgentResourceType[] = "Document";

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

// The agent as the executable carries it; false when the resource is missing or empty.
bool LoadAgentResource(const void** data, DWORD* size) {
  HMODULE module = AfxGetInstanceHandle();
  HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_DEVICE_AGENT), kAgentResourceType);
  if (info == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(module, info);  // module resources need no release
  *data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  *size = ::SizeofResource(module, info);
  return *data != nullptr && *size != 0;
}

bool HostTempPath(const char* name, std::string* path) {
  char folder[MAX_PATH];
  const DWORD length = ::GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return false;
  *path = std::string(folder, length) + name;
  return true;
}

}  // namespace

bool CDlgSubPageDestination::DeployDeviceAgent() {
  // An agent already on the handheld is used as it is.
  if (talv::OpenDeviceFileForReading(kDeviceAgentPath).IsValid()) return true;
  if (!talv::DeviceProcessorIsArm()) return false;

  const void* agent = nullptr;
  DWORD agentSize = 0;
  std::string hostPath;
  if (!LoadAgentResource(&agent, &agentSize) || !HostTempPath(kAgentTempName, &hostPath)) return false;

  bool copied = false;
  if (ScopedFile host(std::fopen(hostPath.c_str(), "w+b")); host != nullptr) {
    // A temporary copy cut short (a full disk) must not go to the handheld as the agent.
    const bool written = std::fwrite(agent, 1, agentSize, host.get()) == agentSize &&
                         std::fflush(host.get()) == 0 && std::fseek(host.get(), 0, SEEK_SET) == 0;
    copied = written && GetWizard()->CopyFileToDevice(host.get(), agentSize, kDeviceAgentPath);
    // A partial agent would pass the next probe and be started as it is: it goes.
    if (written && !copied) talv::DeleteDeviceFile(kDeviceAgentPath);
  }
  ::DeleteFileA(hostPath.c_str());
  return copied;
}

void CDlgSubPageDestination::ReadStorageReport() {
  m_cmbDestination.ResetContent();
  const bool launcherInstall = m_pState->m_bLauncherInstall != 0;
  if (talv::ScopedDeviceHandle report = talv::OpenDeviceFileForReading(talv::kStorageReportPath); report.IsValid()) {
    for (const talv::StorageReportRecord& record : talv::ReadReportRecords(report.Get())) {
      if (talv::IsOfferedVolume(record, launcherInstall))
        AddStorageArea(record.name, talv::HundredthsOfMegabyte(record.freeMegabytes));
    }
    report.Reset();
    talv::DeleteDeviceFile(talv::kStorageReportPath);
  }
  // The main store is offered only with a folder to install into and a free-space figure from the device.
  int32_t storeHundredths = 0;
  if (!launcherInstall && !m_pState->m_strProgramFilesDir.empty() && talv::MainStoreFreeHundredths(&storeHundredths))
    AddStorageArea(m_pState->m_strProgramFilesDir, storeHundredths);
  if (m_cmbDestination.GetCount() > 0) m_cmbDestination.SetCurSel(0);
}

void CDlgSubPageDestination::DeleteStorageReports() {
  const int count = m_cmbDestination.GetCount();
  for (int i = 0; i < count; ++i) {
    if (IsMainStoreEntry(i)) continue;
    const std::string volume = m_cmbDestination.GetLBText(i);
    if (!talv::IsUsableVolumeName(volume)) continue;  // a wildcard or separator must not reach a delete
    talv::DeleteDeviceFile("\\" + volume + "\\" + talv::kStorageReportName);
  }
}
