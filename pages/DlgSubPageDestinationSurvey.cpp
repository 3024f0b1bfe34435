// The destination step's storage survey: the device agent put on the handheld, its storage report read into
// the list of storage areas, and the reports left inside the volumes removed.
#include <cstdio>

#include "DlgSubPageDestination.h"
#include "WizardMessages.h"
#include "device_operations.h"
#include "resource.h"
#include "storage_survey.h"
#include "unique_handle.h"

namespace {

constexpr wchar_t kAgentTempName[] = L"TalveniaGDFS.exe";
constexpr char kAgentResourceType[] = "Document";

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

// A host path, so UTF-16 throughout: a temporary folder outside the ANSI code page must work as any other.
bool HostTempPath(const wchar_t* name, std::wstring* path) {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return false;
  *path = std::wstring(folder, length) + name;
  return true;
}

}  // namespace

bool CDlgSubPageDestination::DeployDeviceAgent() {
  const void* agent = nullptr;
  DWORD agentSize = 0;
  if (!LoadAgentResource(&agent, &agentSize)) return false;
  // The agent already on the handheld is used as it is, but only when it is this one whole: a link that dropped
  // during an earlier copy can leave a cut-short agent behind, which would fail every survey.
  if (talv::DeviceFileHolds(kDeviceAgentPath, agent, agentSize)) return true;
  if (!talv::DeviceProcessorIsArm()) return false;

  std::wstring hostPath;
  if (!HostTempPath(kAgentTempName, &hostPath)) return false;
  bool copied = false;
  if (base::UniqueFile host(_wfopen(hostPath.c_str(), L"w+b")); host.IsValid()) {
    // A temporary copy cut short (a full disk) must not go to the handheld as the agent.
    const bool written = std::fwrite(agent, 1, agentSize, host.Get()) == agentSize && std::fflush(host.Get()) == 0 &&
                         std::fseek(host.Get(), 0, SEEK_SET) == 0;
    copied = written && talv::CopyFileToDevice(host.Get(), agentSize, kDeviceAgentPath) == 0;
    // A partial agent would fail the next probe anyway, but it has no business on the handheld.
    if (written && !copied) talv::DeleteDeviceFile(kDeviceAgentPath);
  }
  ::DeleteFileW(hostPath.c_str());
  return copied;
}

void CDlgSubPageDestination::ReadStorageReport() {
  m_cmbDestination.ResetContent();
  const bool launcherInstall = m_pState->m_bLauncherInstall != 0;
  if (talv::UniqueDeviceHandle report = talv::OpenDeviceFileForReading(talv::kStorageReportPath); report.IsValid()) {
    const std::vector<unsigned char> bytes = talv::ReadDeviceFile(report.Get());
    for (const talv::StorageReportRecord& record : talv::ParseStorageReport(bytes.data(), bytes.size())) {
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
