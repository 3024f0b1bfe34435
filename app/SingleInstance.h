// One installer per user session: the temporary package files have fixed names, so a second copy would
// overwrite the first one's package and delete it when it ends.
#pragma once
#include "unique_handle_win.h"

class SingleInstance {
 public:
  SingleInstance();
  bool IsFirst() const { return m_bFirst; }
  // Tells the user, and brings the running wizard to the front.
  void ReportAlreadyRunning() const;

 private:
  base::UniqueKernelHandle m_mutex;
  bool m_bFirst = false;
};
