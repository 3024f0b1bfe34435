// What the installation worker shows on its page, the log's lines and the bar's position, handed to the
// controls in batches. An update of the bar and the log costs the user-interface thread some 4 ms under Wine
// (the bar and the edit control redraw); paid once per entry, that dominates a package of many small files. So
// the log and the bar go out together about five times a second, and before the first time only the bar's
// first few positions, which cost little.
//
// A batch is posted to the page, not sent: the page shows it on its own thread while the worker goes on with
// the next entry (the worker's time is mostly spent waiting for the handheld, which is when the page can draw).
// Each batch travels in its message, so the two threads share nothing but the message queue. Before a message
// box and at the end the worker sends what is pending and waits: the page first shows every batch still
// queued, in order, then this one, so what the page shows when a step ends is what one update per entry would
// have shown.
#pragma once
#include <windows.h>

#include <string>

#include "Afx.h"

class InstallProgressFeed {
 public:
  InstallProgressFeed(CEdit& log, CProgressCtrl& bar) : m_log(log), m_bar(bar) {}

  // The page that shows the batches: it hands every `message` it receives to Receive. Set before the worker
  // starts; without a page each batch is sent to the controls from the calling thread.
  void SetPage(HWND page, UINT message) {
    m_page = page;
    m_message = message;
  }

  // Worker thread.
  void Log(const std::string& text) { m_pendingLog += text; }
  void SetPos(int position) {
    m_pendingPos = position;
    m_posPending = true;
  }
  // Posts what is pending when the rate allows.
  void Update();
  // Shows what is pending now, and returns once it is shown: the position, then the log's new lines.
  void Flush();
  // Shows the pending position alone, and returns once it is shown (the lines wait for the next batch).
  void FlushPosition();

  // User-interface thread: shows the batch that came with the page's message (wParam, lParam), and before a
  // sent one every batch that is still queued.
  LRESULT Receive(WPARAM wParam, LPARAM lParam);

 private:
  struct Batch {
    bool positionSet = false;
    int position = 0;
    std::string lines;
  };
  enum Delivery : WPARAM { kPosted = 0, kSent = 1 };

  bool Due();
  // Takes the pending position (and the lines, unless positionOnly) into a batch of their own.
  Batch* TakePending(bool positionOnly);
  void Send(Batch* batch);
  void Show(const Batch& batch);

  CEdit& m_log;
  CProgressCtrl& m_bar;
  HWND m_page = nullptr;
  UINT m_message = 0;

  std::string m_pendingLog;
  int m_pendingPos = 0;
  bool m_posPending = false;
  int m_positionsSent = 0;
  // A token bucket in thousandths of an update, refilled at 5 a second.
  unsigned m_milliTokens = 0;
  DWORD m_lastRefill = ::GetTickCount();
};
