// The wizard's life in one table: for every situation the program can be in, from the preparation of the
// package to its end, and every request that can reach it (a close from any source, a quit, the session's
// end, the worker's report, a move between pages), whether it is acted on now, held until the situation is
// over, refused, or passed on to the work that runs. The frame and the start-up window ask here and do what
// they are told; no window type appears, so the whole table is checked on its own.
#pragma once

#include <cstdint>
#include <optional>

namespace talv {

enum class Situation : uint8_t {
  Preparing,       // the package is being prepared; no page exists yet
  OnPage,          // a page is shown and nothing else runs
  Busy,            // a page switch or a connection check runs: a nested loop dispatches clicks
  Asking,          // a message box of the frame or of a page waits for its answer
  Installing,      // the installation's worker copies
  EndingOnReport,  // the wizard ends once the worker has reported
  Ending,          // the wizard is closing
};
constexpr int kSituationCount = 7;

enum class Request : uint8_t {
  Cancel,           // the "Annulla" / "Interrompi" button: it asks before it ends anything
  Close,            // Escape, the close box, Alt+F4, the taskbar's "Close window": no question
  Enter,            // the dialog's default command
  Navigate,         // Next or Back
  Quit,             // a WM_QUIT that reached the wizard's loop or one of its nested loops
  QueryEndSession,  // the system asks whether the session may end
  EndSession,       // the session ends now: the process may be ended as soon as the handler returns
  WorkerReport,     // the installation's worker reports its result
};
constexpr int kRequestCount = 8;

enum class Verdict : uint8_t {
  Act,     // done now, as the request means in this situation
  Hold,    // kept (one held request) and asked again when the situation is over
  Refuse,  // dropped, or answered no
  PassOn,  // handed to the work that runs (the preparation or the worker), which is stopped; the wizard
           // ends once it has
};

Verdict Decide(Situation situation, Request request);

// The situation that holds now, from the one the frame has entered and what it can see: an ending dialog,
// a running worker, a box open over the frame.
Situation Effective(Situation entered, bool dialogEnding, bool workerRuns, bool boxOpen);

// The situation the frame has entered and the one held request.
class WizardLife {
 public:
  Situation Entered() const { return m_entered; }
  // Enters a situation and returns the one left, to be given back to Leave.
  Situation Enter(Situation situation);
  // Goes back to `previous`, unless the wizard has begun to end meanwhile: that is never undone.
  void Leave(Situation previous);

  // Keeps a request whose verdict was Hold. Only one is kept: a stronger one replaces a weaker one (a quit
  // over a close over a cancel over Enter), so what is served later is what the user meant most.
  void Hold(Request request);
  bool Holds() const { return m_held.has_value(); }
  std::optional<Request> TakeHeld();

 private:
  Situation m_entered = Situation::Preparing;
  std::optional<Request> m_held;
};

// Enters a situation for the lifetime of the object.
class SituationScope {
 public:
  SituationScope(WizardLife& life, Situation situation) : m_life(life), m_previous(life.Enter(situation)) {}
  ~SituationScope() { m_life.Leave(m_previous); }
  SituationScope(const SituationScope&) = delete;
  SituationScope& operator=(const SituationScope&) = delete;

 private:
  WizardLife& m_life;
  Situation m_previous;
};

}  // namespace talv
