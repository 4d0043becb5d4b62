#pragma once
// The console front end, the wizard's peer over the same upgrade session: in the command-line
// modes no window exists; the session's events are written to the console (or to the file or
// pipe the standard output was redirected to) by a loop of its own, which also drives the
// firmware poll.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "engine/SessionEvent.h"
#include "engine/UpgradeSession.h"
#include "platform/Clock.h"
#include "platform/Console.h"

namespace brevix {

// The first poll of a console run, counted from the front end's start; later ones follow the
// poll's own period.
constexpr unsigned kConsoleFirstPollMs = 800;

// How an event reads on a console: texts and step results as they are, with "®" as "(R)";
// no dots, no bar (the poll writes a console's progress lines as text). False for the events
// that are no text.
bool WriteToConsole(Console& console, const SessionEvent& event);

class ConsoleFrontEnd : public EventSink {
 public:
  // `showBox` shows a failure the user must acknowledge (a message box without an owner); a
  // silent run never waits on one: it writes the text instead.
  ConsoleFrontEnd(Console& console, Clock& clock, std::function<void(const std::u16string&)> showBox)
      : console_(console), clock_(clock), showBox_(std::move(showBox)) {}

  // From any thread; written by the loop, in order, with "®" as "(R)".
  void Emit(SessionEvent event) override;

  // The silent run: the licence, the package, the checking report, then the upgrade with its
  // poll until the stage ends, the closing texts and the wait for Enter; last the clean-up.
  void RunSilent(UpgradeSession& session);
  // The version and usage modes, whose text was written before: the session is opened and its
  // clean-up runs, as after any run.
  void RunTextOnly(UpgradeSession& session);

 private:
  // Carries out what was emitted so far, on the loop's thread.
  void Drain(UpgradeSession& session);
  void Finish(UpgradeSession& session);
  void End(UpgradeSession& session);

  Console& console_;
  Clock& clock_;
  std::function<void(const std::u16string&)> showBox_;
  std::mutex mutex_;
  std::deque<SessionEvent> queue_;
  bool finished_ = false;
  bool unattended_ = false;
};

}  // namespace brevix
