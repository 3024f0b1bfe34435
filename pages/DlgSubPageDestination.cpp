#include "DlgSubPageDestination.h"

#include "WizardMessages.h"
#include "resource.h"
#include "storage_survey.h"
#include "storage_survey_destination.h"
#include "device_operations.h"

namespace {

// Special folders of the handheld (CSIDL values).
constexpr int kFolderPersonal = 0x05;
constexpr int kFolderStartup = 0x07;
constexpr int kFolderDesktopDirectory = 0x10;
constexpr int kFolderProgramFiles = 0x26;

// Time the agent gets to write its report; it is not waited for.
constexpr DWORD kAgentPauseMs = 1000;

// A folder with a trailing backslash, or empty when the handheld did not name it.
std::string DeviceFolderWithBackslash(int csidl) {
  std::string folder;
  return talv::DeviceSpecialFolder(csidl, &folder) ? folder + "\\" : std::string();
}

}  // namespace

BEGIN_MESSAGE_MAP(CDlgSubPageDestination, CDlgSubPageBase)
  ON_BN_CLICKED(IDC_REFRESH_DESTINATION, &CDlgSubPageDestination::OnRefresh)
  ON_CBN_SELCHANGE(IDC_DESTINATION, &CDlgSubPageDestination::OnSelchangeDestination)
END_MESSAGE_MAP()

CDlgSubPageDestination::CDlgSubPageDestination(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_DESTINATION, pParent) {}

void CDlgSubPageDestination::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_NOTES, m_edtNotes);
  DDX_Control(pDX, IDC_REQUIRED_MEMORY, m_edtRequiredMemory);
  DDX_Control(pDX, IDC_FREE_MEMORY, m_edtFreeMemory);
  DDX_Control(pDX, IDC_DESTINATION, m_cmbDestination);
  DDX_Control(pDX, IDC_REFRESH_DESTINATION, m_btnRefresh);
}

void CDlgSubPageDestination::OnEnterPage() {
  m_strNotes.clear();
  m_bDestinationReady = false;
  OnRefresh();
}

void CDlgSubPageDestination::RecordDeviceFolders() {
  // A look-up that fails leaves its field empty; an empty program-files folder keeps the main store out of
  // the list, since its entry would have no folder to install into. A handheld older than Windows Mobile 2003
  // knows no CSIDL_PROGRAM_FILES at all, so there only the storage volumes are offered: guessing a folder name
  // would risk a folder that the handheld's own programs do not use.
  m_pState->m_strProgramFilesDir = DeviceFolderWithBackslash(kFolderProgramFiles);
  m_pState->m_strWindowsDir = "\\Windows\\";
  m_pState->m_strHelpDir = "\\Windows\\Help\\";
  m_pState->m_strDesktopDir = DeviceFolderWithBackslash(kFolderDesktopDirectory);
  m_pState->m_strStartupDir = DeviceFolderWithBackslash(kFolderStartup);
  m_pState->m_strDocumentsDir = DeviceFolderWithBackslash(kFolderPersonal);
}

void CDlgSubPageDestination::OnRefresh() {
  RecordDeviceFolders();
  if (!DeployDeviceAgent()) {
    MessageBox("Impossibile determinare lo spazio disponibile delle destinazioni", kCaptionInstaller,
               MB_OK | MB_ICONERROR);
    m_edtNotes.SetWindowText("Dati non disponibili. Impossibile continuare");
    m_edtRequiredMemory.SetWindowText(talv::kNoData);
    m_edtFreeMemory.SetWindowText(talv::kNoData);
    m_bDestinationReady = false;
    return;
  }
  if (!talv::StartDeviceProgram(kDeviceAgentPath)) {
    m_bDestinationReady = false;
    return;
  }
  m_strNotes.clear();
  ::Sleep(kAgentPauseMs);
  ReadStorageReport();
  UpdateDestinationInfo();
}

void CDlgSubPageDestination::OnSelchangeDestination() { UpdateDestinationInfo(); }

void CDlgSubPageDestination::UpdateDestinationInfo() {
  const int selected = m_cmbDestination.GetCurSel();
  const int32_t hundredths = selected < 0 ? -1 : static_cast<int32_t>(m_cmbDestination.GetItemData(selected));
  const bool mainStore = IsMainStoreEntry(selected);
  const std::string root = SelectedRootFolder();
  const std::string name = selected < 0 ? std::string() : m_cmbDestination.GetLBText(selected);
  const talv::DestinationDiagnosis diagnosis =
      talv::DiagnoseDestination(hundredths, mainStore, m_pState->m_dRequiredMB, [&] {
        // A volume name that cannot name a folder (a character without a narrow form shows as '?') must not
        // reach the device, where it could address some other folder.
        if (!mainStore && !talv::IsUsableVolumeName(name)) return false;
        return talv::RunWriteTest(root);
      });
  m_edtFreeMemory.SetWindowText(diagnosis.freeText);
  m_edtRequiredMemory.SetWindowText(diagnosis.requiredText);
  m_strNotes = diagnosis.notes;
  m_bDestinationReady = diagnosis.ready;
  m_edtNotes.SetWindowText(m_strNotes);
}

bool CDlgSubPageDestination::CanLeavePage() {
  if (m_cmbDestination.GetCurSel() < 0 || !m_bDestinationReady) {
    MessageBox("Selezionare prima una destinazione valida", kCaptionInstaller, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  switch (talv::CreateDeviceFolderLevels(SelectedRootFolder() + GetDefaultFolderName())) {
    case talv::CreateFolderResult::Created: return true;
    case talv::CreateFolderResult::AlreadyExists:
      return MessageBox("La directory selezionata esiste gi\xE0. Sovrascriverla?", kCaptionWarning,
                        MB_YESNO | MB_ICONQUESTION) == IDYES;
    case talv::CreateFolderResult::Failed: break;
  }
  MessageBox("Impossibile creare la cartella di destinazione", kCaptionInstaller, MB_OK | MB_ICONERROR);
  return false;
}

void CDlgSubPageDestination::OnLeavePage() {
  m_pState->m_strDestinationDir = m_bDestinationReady ? SelectedRootFolder() : std::string();
  DeleteStorageReports();
}

void CDlgSubPageDestination::AddStorageArea(const std::string& text, int32_t hundredths) {
  const int index = m_cmbDestination.AddString(text.c_str());
  if (index >= 0) m_cmbDestination.SetItemData(index, static_cast<DWORD_PTR>(static_cast<LONG_PTR>(hundredths)));
}

bool CDlgSubPageDestination::IsMainStoreEntry(int index) const {
  if (index < 0 || m_pState->m_strProgramFilesDir.empty()) return false;
  return m_cmbDestination.GetLBText(index) == m_pState->m_strProgramFilesDir;
}

std::string CDlgSubPageDestination::SelectedRootFolder() const {
  const int selected = m_cmbDestination.GetCurSel();
  if (selected < 0) return std::string();
  return talv::AreaRootFolder(m_cmbDestination.GetLBText(selected), IsMainStoreEntry(selected));
}
