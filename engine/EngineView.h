#pragma once
// What the engine tells its front end, shaped by the engine's own events rather than by any
// window. The wizard and the console are two implementations; the engine never knows which
// one listens. Calls may come from the upgrade worker thread: the wizard's implementation
// carries them to its own thread, in order.
#include <string>

namespace brevix {

class EngineView {
 public:
  virtual ~EngineView() = default;
  // A text for the log: a report row, a step's title, a closing line.
  virtual void Text(const std::u16string& text) = 0;
  // A step starts; it runs (the wizard animates dots after its title) until StepEnded.
  virtual void StepStarted() = 0;
  // The running step ends with its decorated result text (" . . . Done.\r\n").
  virtual void StepEnded(const std::u16string& result) = 0;
  // Firmware progress in percent, 0 to 100.
  virtual void Progress(int percent) = 0;
  // The checking report is complete.
  virtual void ReportWritten() = 0;
  // The upgrading stage is over (success, failure, time-out or nothing to do).
  virtual void StageEnded() = 0;

  // The checking report closes with the front end's own prompt: the numbers of the "Checking"
  // texts that head the older items and that say everything is current. The wizard asks for a
  // click on its buttons; a console names the items or asks for Enter.
  struct ReportPrompts {
    int olderItems = 10;
    int allLatest = 14;
  };
  virtual ReportPrompts Prompts() const { return {}; }
};

}  // namespace brevix
