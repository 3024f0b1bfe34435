// The wizard's state table judged by what it promises rather than cell by cell: no close is lost, the session
// never ends under open files, nothing moves under a nested loop, and the one held request is the one meant.
#include "wizard_life.h"

#include <gtest/gtest.h>

#include <vector>

using talv::Decide;
using talv::Effective;
using talv::Request;
using talv::Situation;
using talv::Verdict;

namespace {

const Situation kAll[] = {Situation::Preparing,  Situation::OnPage,         Situation::Busy,  Situation::Asking,
                          Situation::Installing, Situation::EndingOnReport, Situation::Ending};

struct Promise {
  const char* what;
  Request request;
  std::vector<Situation> where;  // the situations the promise speaks of
  std::vector<Verdict> allowed;  // the verdicts it allows there
};

TEST(WizardLifeTable, KeepsThePromises) {
  const Promise promises[] = {
      {"a close is never lost while the program has not begun to end",
       Request::Close,
       {Situation::Preparing, Situation::OnPage, Situation::Busy, Situation::Asking, Situation::Installing},
       {Verdict::Act, Verdict::Hold, Verdict::PassOn}},
      {"\"Annulla\" is never lost under a switch or a check",
       Request::Cancel,
       {Situation::OnPage, Situation::Busy, Situation::Installing},
       {Verdict::Act, Verdict::Hold, Verdict::PassOn}},
      {"a quit is never lost while the program has not begun to end",
       Request::Quit,
       {Situation::Preparing, Situation::OnPage, Situation::Busy, Situation::Asking, Situation::Installing},
       {Verdict::Act, Verdict::Hold, Verdict::PassOn}},
      {"the session's end is decided before its handler returns",
       Request::EndSession,
       {kAll, kAll + 7},
       {Verdict::Act, Verdict::PassOn}},
      {"the session may end wherever no worker holds the archive",
       Request::QueryEndSession,
       {Situation::Preparing, Situation::OnPage, Situation::Busy, Situation::Asking, Situation::Ending},
       {Verdict::Act}},
      {"the session may not end of its own accord in the middle of a file",
       Request::QueryEndSession,
       {Situation::Installing, Situation::EndingOnReport},
       {Verdict::Refuse}},
      {"no move between pages under a nested loop, a question, the worker or the end",
       Request::Navigate,
       {Situation::Preparing, Situation::Busy, Situation::Asking, Situation::Installing, Situation::EndingOnReport,
        Situation::Ending},
       {Verdict::Refuse}},
      {"a report is taken only while a worker runs",
       Request::WorkerReport,
       {Situation::Preparing, Situation::OnPage, Situation::Busy, Situation::Asking, Situation::Ending},
       {Verdict::Refuse}},
      {"a report is always taken while a worker runs",
       Request::WorkerReport,
       {Situation::Installing, Situation::EndingOnReport},
       {Verdict::Act}},
      {"nothing ends the wizard under the worker: closes go to it",
       Request::Close,
       {Situation::Installing},
       {Verdict::PassOn}},
  };
  for (const Promise& p : promises) {
    for (Situation s : p.where) {
      const Verdict got = Decide(s, p.request);
      bool ok = false;
      for (Verdict v : p.allowed) ok = ok || v == got;
      EXPECT_TRUE(ok) << p.what << ": situation " << static_cast<int>(s) << " gave " << static_cast<int>(got);
    }
  }
}

TEST(WizardLifeTable, OnlyNestedLoopsHold) {
  for (Situation s : kAll) {
    for (int r = 0; r < talv::kRequestCount; ++r) {
      const bool nested = s == Situation::Busy || s == Situation::Asking;
      if (!nested) {
        EXPECT_NE(Decide(s, static_cast<Request>(r)), Verdict::Hold)
            << "situation " << static_cast<int>(s) << " request " << r << " would wait for nothing";
      }
    }
  }
}

struct EffectiveCase {
  Situation entered;
  bool ending, worker, box;
  Situation expected;
};

TEST(WizardLifeTable, EffectiveSituation) {
  const EffectiveCase cases[] = {
      {Situation::OnPage, false, false, false, Situation::OnPage},
      {Situation::OnPage, false, false, true, Situation::Asking},  // a page's own box
      {Situation::Busy, false, false, true, Situation::Busy},
      {Situation::OnPage, false, true, true, Situation::Installing},  // the worker's box or the interrupt question
      {Situation::EndingOnReport, false, true, false, Situation::EndingOnReport},
      {Situation::EndingOnReport, true, false, false, Situation::Ending},  // reported and closing
      {Situation::Preparing, true, false, false, Situation::Preparing},    // told to end, still stopping
      {Situation::OnPage, true, false, true, Situation::Ending},
      {Situation::Asking, true, false, false, Situation::Ending},
  };
  for (const EffectiveCase& c : cases) {
    EXPECT_EQ(Effective(c.entered, c.ending, c.worker, c.box), c.expected)
        << "entered " << static_cast<int>(c.entered) << " ending " << c.ending << " worker " << c.worker << " box "
        << c.box;
  }
}

struct HoldCase {
  const char* label;
  std::vector<Request> held;
  Request served;
};

TEST(WizardLife, HoldsTheStrongestRequestOnce) {
  const HoldCase cases[] = {
      {"Enter then Escape ends without Enter's result", {Request::Enter, Request::Close}, Request::Close},
      {"Escape then Enter keeps the close", {Request::Close, Request::Enter}, Request::Close},
      {"Annulla then the close box asks nothing", {Request::Cancel, Request::Close}, Request::Close},
      {"a quit outranks everything", {Request::Quit, Request::Close, Request::Cancel}, Request::Quit},
      {"Annulla alone", {Request::Cancel}, Request::Cancel},
  };
  for (const HoldCase& c : cases) {
    talv::WizardLife life;
    for (Request r : c.held) life.Hold(r);
    const auto served = life.TakeHeld();
    ASSERT_TRUE(served.has_value()) << c.label;
    EXPECT_EQ(*served, c.served) << c.label;
    EXPECT_FALSE(life.Holds()) << c.label << ": served twice";
  }
}

TEST(WizardLife, ScopesGiveBackTheirSituationButNeverUndoTheEnd) {
  talv::WizardLife life;
  life.Enter(Situation::OnPage);
  {
    talv::SituationScope check(life, Situation::Busy);
    {
      talv::SituationScope box(life, Situation::Asking);
      EXPECT_EQ(life.Entered(), Situation::Asking);
    }
    EXPECT_EQ(life.Entered(), Situation::Busy);
  }
  EXPECT_EQ(life.Entered(), Situation::OnPage);
  {
    talv::SituationScope question(life, Situation::Asking);
    life.Enter(Situation::EndingOnReport);  // a quit came during the question
  }
  EXPECT_EQ(life.Entered(), Situation::EndingOnReport);
}

}  // namespace
