#pragma once
// What an upgrade session tells its front end: one stream of event values, shaped by the
// session's own events rather than by any window. The wizard and the console each consume the
// stream on their own thread; the session never knows which one listens.
#include <string>

namespace brevix {

struct SessionEvent {
  enum class Kind {
    Text,         // text: a report row, a step's title, a closing line
    StepStarted,  // the step whose title came last runs until StepEnded (the wizard animates dots)
    StepEnded,    // text: the step's decorated result (" . . . Done.\r\n")
    Progress,     // value: firmware progress in percent, 1 to 100
    StageEnded,   // the upgrading stage is over (success, failure, time-out or nothing to do)
    FailureBox,   // text: a failure the user must acknowledge ("Failed to Create a mailslot.")
  };
  Kind kind = Kind::Text;
  std::u16string text;
  int value = 0;

  static SessionEvent Of(Kind kind, std::u16string text = {}, int value = 0) {
    return SessionEvent{kind, std::move(text), value};
  }
  friend bool operator==(const SessionEvent&, const SessionEvent&) = default;
};

// The front end's end of the stream. Emit may be called from the upgrade worker's thread as
// well as from the front end's own; an implementation hands each event to its own thread, in
// the order emitted.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Emit(SessionEvent event) = 0;
};

// Which front end a session reports to: the checking report's closing prompt and the
// firmware progress differ (the wizard shows a bar, a console prints a line per step).
enum class Audience { Wizard, Console };

}  // namespace brevix
