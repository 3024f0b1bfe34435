// The destination step: the storage areas of the handheld with their free space, a diagnosis of the chosen
// one, and the creation of the product folder on it.
#pragma once
#include <string>
#include "DlgSubPageBase.h"

class CDlgSubPageDestination : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageDestination(CWnd* pParent);

  void OnEnterPage() override;
  bool CanLeavePage() override;
  void OnLeavePage() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  CEdit m_edtNotes;
  CEdit m_edtRequiredMemory;
  CEdit m_edtFreeMemory;
  CButton m_btnRefresh;
  CComboBox m_cmbDestination;
  std::string m_strNotes;
  bool m_bDestinationReady = false;

  DECLARE_MESSAGE_MAP()
};
