// The first step: greets the user and says what the installation needs. All of it is the template.
#pragma once
#include "DlgSubPageBase.h"

class CDlgSubPageWelcome : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageWelcome(CWnd* pParent);

  DECLARE_MESSAGE_MAP()
};
