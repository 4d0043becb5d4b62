#pragma once
// The engine's way to the wizard dialog. The engine never knows whether a window or a
// console is behind it; a console-mode run has no view at all. The wizard's implementation
// may be called from the worker thread and must carry the calls to its own thread in order.
#include <optional>
#include <string>

namespace brevix {

class EngineView {
 public:
  virtual ~EngineView() = default;
  // Appends text to the log control and scrolls its end into view (WriteOutput's wizard path).
  virtual void AppendToLog(const std::u16string& text) = 0;
  // Brings the skinned scroll bar in line with the log control.
  virtual void SyncScrollBar() = 0;
  // Appends text to the log (the dialog's own path, also used by the firmware poll).
  virtual void AppendText(const std::u16string& text) = 0;
  // No text: a step starts and its dots run. A text: the running step ends with it.
  virtual void FinishStep(const std::optional<std::u16string>& result) = 0;
  // Shows the progress bar at a fraction from 0 to 1.
  virtual void SetProgress(float fraction) = 0;
  // Ends the upgrading stage.
  virtual void FinishUpgrade() = 0;
};

}  // namespace brevix
