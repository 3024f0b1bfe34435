#include "DlgSubPageConnection.h"

#include "WizardMessages.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageConnection, CDlgSubPageBase)
  ON_BN_CLICKED(IDC_REFRESH_CONNECTION, &CDlgSubPageConnection::OnRefresh)
END_MESSAGE_MAP()

CDlgSubPageConnection::CDlgSubPageConnection(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_CONNECTION, pParent) {
  m_hbmNotConnected.Reset(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_NOT_CONNECTED)));
  m_hbmConnected.Reset(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_CONNECTED)));
}

CDlgSubPageConnection::~CDlgSubPageConnection() {
  // The picture control must not keep showing a bitmap that is about to be deleted.
  if (m_hWnd != nullptr) DestroyWindow();
}

void CDlgSubPageConnection::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CONNECTION_PICTURE, m_stcPicture);
  DDX_Control(pDX, IDC_CONNECTION_RESULT, m_stcResult);
  DDX_Control(pDX, IDC_REFRESH_CONNECTION, m_btnRefresh);
}

void CDlgSubPageConnection::OnRefresh() {
  // Disabled while its check runs: a click sent to it then would start a check inside the check, which ends
  // the link the first one waits for.
  if (!m_btnRefresh.IsWindowEnabled()) return;
  m_btnRefresh.EnableWindow(FALSE);
  bool connected = Host().CheckDeviceConnection();
  m_btnRefresh.EnableWindow(TRUE);
  HBITMAP previous = m_stcPicture.SetBitmap(connected ? m_hbmConnected.Get() : m_hbmNotConnected.Get());
  // The picture that the control loaded from the template becomes ours once replaced; the others are members.
  if (previous != nullptr && previous != m_hbmConnected.Get() && previous != m_hbmNotConnected.Get())
    ::DeleteObject(previous);
  m_stcResult.SetWindowText(
      connected ? "OK - Il palmare risulta connesso al computer e pronto per l'installazione."
                : "ERRORE - Mancata comunicazione con il palmare. Assicurarsi che sia collegato correttamente al "
                  "computer e che sia installato ActiveSync.");
}

void CDlgSubPageConnection::OnEnterPage() { OnRefresh(); }

bool CDlgSubPageConnection::CanLeavePage() {
  if (m_pState->m_bDeviceConnected) return true;
  MessageBox("Collegare il dispositivo al computer per continuare!", kCaptionInstaller, MB_OK | MB_ICONEXCLAMATION);
  return false;
}
