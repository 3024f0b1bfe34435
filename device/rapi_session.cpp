#include "rapi_session.h"

#include "rapi.h"
#include "rapi_library.h"

namespace talv {

ThreadRapiSession::ThreadRapiSession(DWORD timeoutMs, TickCountFn tickCount) {
  if (!RapiLibraryPresent()) return;
  RAPIINIT init = {};
  init.cbSize = sizeof init;
  const HRESULT started = CeRapiInitEx(&init);
  if (started == CERAPI_E_ALREADYINITIALIZED) {
    m_ownLink = true;
    return;
  }
  if (FAILED(started)) return;
  m_opened = true;
  m_ownLink = WaitForRapiAnswer(init.heRapiInit, &init.hrRapiInit, timeoutMs, tickCount) == RapiWaitResult::Answered;
  // A start-up that never came is ended at once; the calls then go over the link the wizard has, and fail
  // there if that one is not theirs either.
  if (!m_ownLink) {
    CeRapiUninit();
    m_opened = false;
  }
}

ThreadRapiSession::~ThreadRapiSession() {
  if (m_opened) CeRapiUninit();
}

}  // namespace talv
