// A RAPI session of the calling thread. Whether each thread needs its own start-up of RAPI is not settled by the
// platform (the threading of RAPI.dll changed with ActiveSync 3.7.1), so a thread other than the one that
// opened the link starts one of its own, and takes the wizard's link when its own does not come.
#pragma once

#include <windows.h>

#include "rapi_connection.h"

namespace talv {

class ThreadRapiSession {
 public:
  // Starts RAPI on this thread and waits up to timeoutMs for the handheld's answer (messages are dispatched
  // meanwhile, as an older RAPI.dll wants on the thread that starts it). A link already set up for this thread
  // is used as it is.
  ThreadRapiSession(DWORD timeoutMs, TickCountFn tickCount);
  // Ends only a start-up that this object made.
  ~ThreadRapiSession();
  ThreadRapiSession(const ThreadRapiSession&) = delete;
  ThreadRapiSession& operator=(const ThreadRapiSession&) = delete;

  // True when this thread's calls run on a start-up of their own, or on one that was already there for them.
  bool OwnLink() const { return m_ownLink; }

 private:
  bool m_opened = false;
  bool m_ownLink = false;
};

}  // namespace talv
