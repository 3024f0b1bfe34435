// What the installation worker shows on its page, the log's lines and the bar's position, handed to the
// controls in batches. Each message to a control waits for the user-interface thread, and an update of the bar
// and the log costs it some 4 ms under Wine (the bar and the edit control redraw); paid once per entry, that
// dominates a package of many small files. So the log and the bar go out together about five times a second,
// and before the first time only the bar's first few positions, which cost little; whatever is pending goes out
// at once before a message box and at the end, so what the page shows when a step ends is what one update per
// entry would have shown.
#pragma once
#include <windows.h>

#include <string>

#include "Afx.h"

class InstallProgressFeed {
 public:
  InstallProgressFeed(CEdit& log, CProgressCtrl& bar) : m_log(log), m_bar(bar) {}

  void Log(const std::string& text) { m_pendingLog += text; }
  void SetPos(int position) {
    m_pendingPos = position;
    m_posPending = true;
  }
  // Sends what is pending when the rate allows.
  void Update();
  // Sends what is pending now: the position, then the log's new lines (the order of one entry's updates).
  void Flush();
  // Sends the pending position alone (the lines wait for the next Flush).
  void FlushPosition();

 private:
  bool Due();

  CEdit& m_log;
  CProgressCtrl& m_bar;
  std::string m_pendingLog;
  int m_pendingPos = 0;
  bool m_posPending = false;
  int m_positionsSent = 0;
  // A token bucket in thousandths of an update, refilled at 5 a second.
  unsigned m_milliTokens = 0;
  DWORD m_lastRefill = ::GetTickCount();
};
