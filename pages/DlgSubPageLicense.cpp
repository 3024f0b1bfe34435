#include "DlgSubPageLicense.h"

#include <cstring>
#include "WizardMessages.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CDlgSubPageLicense, CDlgSubPageBase)
END_MESSAGE_MAP()

CDlgSubPageLicense::CDlgSubPageLicense(CWnd* pParent) : CDlgSubPageBase(IDD_PAGE_LICENSE, pParent) {}

void CDlgSubPageLicense::DoDataExchange(CDataExchange* pDX) {
  CDlgSubPageBase::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LICENSE_TEXT, m_richLicense);
  DDX_Control(pDX, IDC_ACCEPT, m_chkAccept);
}

void CDlgSubPageLicense::OnEnterPage() {
  HINSTANCE module = AfxGetResourceHandle();
  if (HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_LICENSE), "Document"); found != nullptr) {
    if (HGLOBAL loaded = ::LoadResource(module, found); loaded != nullptr) {
      const char* rtf = static_cast<const char*>(::LockResource(loaded));
      // The document ends with its NUL terminator; the control takes the text before it. Rich Edit 1.0 shows
      // RTF formatted only when it is streamed in, so the text replaces the (empty) selection that way.
      if (rtf != nullptr) m_richLicense.StreamInRtfSelection(rtf, strnlen(rtf, ::SizeofResource(module, found)));
      // The caret ends behind the inserted text; the reader starts at the top.
      m_richLicense.SendMessage(EM_SETSEL, 0, 0);
      m_richLicense.SendMessage(EM_SCROLLCARET);
      ::FreeResource(loaded);
    }
  }
  m_chkAccept.SetCheck(m_pState->m_bLicenseAccepted ? BST_CHECKED : BST_UNCHECKED);
}

bool CDlgSubPageLicense::CanLeavePage() {
  if (m_chkAccept.GetCheck() == BST_CHECKED) return true;
  MessageBox("I termini del contratto di licenza devono essere accettati per poter continuare!", kCaptionInstaller,
             MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void CDlgSubPageLicense::OnLeavePage() { m_pState->m_bLicenseAccepted = m_chkAccept.GetCheck() == BST_CHECKED ? 1 : 0; }
