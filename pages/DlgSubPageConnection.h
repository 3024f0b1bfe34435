// The connection step: shows with a picture and a sentence whether the handheld answers, checks again on
// "Aggiorna", and keeps the wizard here while no device has answered.
#pragma once
#include "DlgSubPageBase.h"

class CDlgSubPageConnection : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageConnection(CWnd* pParent);
  ~CDlgSubPageConnection() override;

  void OnEnterPage() override;
  bool CanLeavePage() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnRefresh();

  CStatic m_stcPicture;
  CStatic m_stcResult;
  CButton m_btnRefresh;
  afx::ScopedBitmap m_hbmNotConnected;
  afx::ScopedBitmap m_hbmConnected;

  DECLARE_MESSAGE_MAP()
};
