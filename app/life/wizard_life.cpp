#include "wizard_life.h"

namespace talv {
namespace {

constexpr Verdict A = Verdict::Act;
constexpr Verdict H = Verdict::Hold;
constexpr Verdict R = Verdict::Refuse;
constexpr Verdict P = Verdict::PassOn;

// Rows: the situations in their order; columns: Cancel, Close, Enter, Navigate, Quit, QueryEndSession,
// EndSession, WorkerReport.
constexpr Verdict kTable[kSituationCount][kRequestCount] = {
    // Preparing: there is no page to cancel or leave yet; a close or a quit stops the preparation and ends
    // the program without a wizard; the session may end once the preparation has let go of its files.
    {R, P, R, R, P, A, P, R},
    // OnPage: everything as the user means it.
    {A, A, A, A, A, A, A, R},
    // Busy: a nested loop runs under the switch or the check; a close waits for it, a move would free the page
    // under it.
    {H, H, H, R, H, A, A, R},
    // Asking: the answer belongs to the question; a second question ("Annulla" again) is not asked over it.
    {R, H, H, R, H, A, A, R},
    // Installing: closes become the question whether to interrupt, a quit or the session's end stop the
    // worker, and the session may not end of its own accord in the middle of a file.
    {P, P, R, R, P, R, P, A},
    // EndingOnReport: the stop is asked for; only the report, or the session's end, moves anything.
    {R, R, R, R, R, R, P, A},
    // Ending: nothing more is done, but the session's end still finds the temporary files removed.
    {R, R, R, R, R, A, A, R},
};

int Strength(Request request) {
  switch (request) {
    case Request::Quit: return 4;
    case Request::Close: return 3;
    case Request::Cancel: return 2;
    case Request::Enter: return 1;
    default: return 0;
  }
}

}  // namespace

Verdict Decide(Situation situation, Request request) {
  return kTable[static_cast<int>(situation)][static_cast<int>(request)];
}

Situation Effective(Situation entered, bool dialogEnding, bool workerRuns, bool boxOpen) {
  // The running work is the truth until it has stopped: the worker until its report is handled, the
  // preparation until its thread has ended, whatever the dialog has been told meanwhile.
  if (workerRuns) return entered == Situation::EndingOnReport ? Situation::EndingOnReport : Situation::Installing;
  if (entered == Situation::Preparing) return Situation::Preparing;
  if (dialogEnding || entered == Situation::EndingOnReport || entered == Situation::Ending) return Situation::Ending;
  if (entered == Situation::Busy || entered == Situation::Asking) return entered;
  return boxOpen ? Situation::Asking : Situation::OnPage;
}

Situation WizardLife::Enter(Situation situation) {
  const Situation previous = m_entered;
  m_entered = situation;
  return previous;
}

void WizardLife::Leave(Situation previous) {
  if (m_entered == Situation::EndingOnReport || m_entered == Situation::Ending) return;
  m_entered = previous;
}

void WizardLife::Hold(Request request) {
  if (!m_held.has_value() || Strength(request) >= Strength(*m_held)) m_held = request;
}

std::optional<Request> WizardLife::TakeHeld() {
  std::optional<Request> held = m_held;
  m_held.reset();
  return held;
}

}  // namespace talv
