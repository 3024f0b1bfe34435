// What the installation worker shows on its page, the log's lines and the bar, handed to the page in
// batches. An update of the bar and the log costs the user-interface thread some 4 ms under Wine (the bar and
// the edit control redraw); paid once per entry, that dominates a package of many small files. So the log and
// the bar go over together about five times a second, and before the first time only the bar's range and its
// first few positions, which cost little.
//
// The worker never waits for the page to draw: a batch is left in the feed, and the page is told with a posted
// message, at most one at a time, to take whatever has come by then. Before a message box and at the end the
// worker sends that message and waits, so what the page shows when a step ends is exactly what one update per
// entry would have shown. The batches live in the feed, which the page owns, never in a message: a notice that
// comes after the page has gone (the system drops it with the window) leaves nothing behind.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>

#include "Afx.h"

class InstallProgressFeed {
 public:
  InstallProgressFeed(CEdit& log, CProgressCtrl& bar) : m_log(log), m_bar(bar) {}

  // The page that shows the batches: it passes every `message` it receives to Show. Set before the worker
  // starts.
  void SetPage(HWND page, UINT message) {
    m_page = page;
    m_message = message;
  }

  // Worker thread.
  // The bar runs from 0 to high (32-bit) and starts at 0; handed over at once.
  void SetRange(int high);
  void Log(const std::string& text) { m_pending.lines += text; }
  void SetPos(int position) {
    m_pending.position = position;
    m_pending.positionSet = true;
  }
  // Hands over what is pending when the rate allows.
  void Update();
  // Hands over what is pending and returns once the page shows everything handed over so far.
  void Flush();

  // User-interface thread: shows every batch handed over so far, in order.
  LRESULT Show();

 private:
  struct Batch {
    bool rangeSet = false;
    int rangeHigh = 0;
    bool positionSet = false;
    int position = 0;
    std::string lines;
  };

  bool Due();
  // Moves the pending range and position (and the lines, unless positionOnly) into the feed, and tells the
  // page unless a notice is already on its way.
  void HandOver(bool positionOnly);

  CEdit& m_log;
  CProgressCtrl& m_bar;
  HWND m_page = nullptr;
  UINT m_message = 0;

  // Worker thread only.
  Batch m_pending;
  int m_positionsSent = 0;
  // A token bucket in thousandths of an update, refilled at 5 a second.
  unsigned m_milliTokens = 0;
  DWORD m_lastRefill = ::GetTickCount();

  // Shared: what the worker has handed over and the page not yet shown.
  std::mutex m_mutex;
  Batch m_handedOver;
  bool m_noticePosted = false;
};
