#pragma once
// What an upgrade run tells its front end: one stream of event values, shaped by the run's own
// events rather than by any window. The wizard and the console each consume the stream on their
// own thread; the run never knows which one listens.
#include <string>

namespace brevix {

struct SessionEvent {
  enum class Kind {
    Text,         // text: a report row, a step's title, a closing line
    StepStarted,  // the step whose title came last runs until StepEnded (the wizard animates dots)
    StepEnded,    // text: the step's decorated result (" . . . Done.\r\n")
    Progress,     // percent: firmware progress, 1 to 100
    ChecksDone,   // allLatest: the checking report is out; when all is latest the run is over
                  // but for Finish
    StageStarted,  // the upgrading stage begins: until StageEnded nothing may end the run, and
                   // the system must not sleep or end the session under it
    StageEnded,   // the upgrading stage is over (success, failure or time-out); the run waits
                  // for Finish
    RunEnded,     // every thread of the run has ended and its files are gone: nothing follows
    FailureBox,   // text: a failure the user must acknowledge ("Failed to Create a mailslot.")
  };
  Kind kind = Kind::Text;
  std::u16string text;
  int percent = 0;         // Progress: 1 to 100 (the poll counts more than 100 as 100)
  bool allLatest = false;  // ChecksDone, StageEnded: the checks found nothing to upgrade

  static SessionEvent Of(Kind kind, std::u16string text = {}) {
    SessionEvent e;
    e.kind = kind;
    e.text = std::move(text);
    return e;
  }
  static SessionEvent Progress(int percent) {
    SessionEvent e = Of(Kind::Progress);
    e.percent = percent;
    return e;
  }
  static SessionEvent Checked(Kind kind, bool allLatest) {
    SessionEvent e = Of(kind);
    e.allLatest = allLatest;
    return e;
  }
  friend bool operator==(const SessionEvent&, const SessionEvent&) = default;
};

// The front end's end of the stream. Emit may be called from the run's threads as well as from
// the front end's own; an implementation hands each event to its own thread, in the order
// emitted.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Emit(SessionEvent event) = 0;
  // On the front end's thread: shows at once what other threads emitted and is still queued.
  // The run calls it before it acts on what it polls, so that what the worker reported is
  // shown before what the poll makes of it.
  virtual void ShowPending() {}
};

}  // namespace brevix
