// The summary step: everything is ready; shows the folder on the handheld that will receive the program.
#pragma once
#include "DlgSubPageBase.h"

class CDlgSubPageReadyToInstall : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageReadyToInstall(CWnd* pParent);

  void OnEnterPage() override;
  bool CanLeavePage() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  CStatic m_stcDestination;

  DECLARE_MESSAGE_MAP()
};
