// The last step: the installation is complete; the frame's "Fine" ends the wizard. All of it is the template.
#pragma once
#include "DlgSubPageBase.h"

class CDlgSubPageEndInstall : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageEndInstall(CWnd* pParent);

  DECLARE_MESSAGE_MAP()
};
