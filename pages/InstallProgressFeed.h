// What the installation worker shows on its page, the log's lines and the bar's position, handed to the
// controls in batches. Each message to a control waits for the user-interface thread; paid once per entry, that
// dominates a package of many small files. The first updates go out one by one, then at most about 20 a
// second; whatever is pending goes out at once before a message box and at the end, so what the page shows
// when a step ends is what one update per entry would have shown.
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

 private:
  bool Due();

  CEdit& m_log;
  CProgressCtrl& m_bar;
  std::string m_pendingLog;
  int m_pendingPos = 0;
  bool m_posPending = false;
  // A token bucket in thousandths of an update: a burst of 20, refilled at 20 a second.
  unsigned m_milliTokens = 20000;
  DWORD m_lastRefill = ::GetTickCount();
};
