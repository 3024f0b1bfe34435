// The licence step: the agreement, carried as an RTF document in the resources, in a read-only rich edit,
// and the acceptance box that must be ticked to go on. The acceptance lives in the shared state.
#pragma once
#include "DlgSubPageBase.h"

class CDlgSubPageLicense : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageLicense(CWnd* pParent);

  void OnEnterPage() override;
  bool CanLeavePage() override;
  void OnLeavePage() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  CRichEditCtrl m_richLicense;
  CButton m_chkAccept;

  DECLARE_MESSAGE_MAP()
};
