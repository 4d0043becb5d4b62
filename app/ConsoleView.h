#pragma once
// The console front end, the wizard's peer over the same engine. In the command-line modes
// the dialog stays hidden; the engine, the worker and the firmware poll report here, and the
// texts reach the console (or the file or pipe the standard output was redirected to).
#include <string>

#include "engine/EngineView.h"
#include "engine/UpgradeEngine.h"
#include "platform/Console.h"

namespace brevix {

// What a console run needs of the hidden dialog that hosts it.
class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;
  // Unpacks the package into the working directory unless that happened already; the dialog
  // keeps the flag and sets it only on success.
  virtual void ExtractPackageOnce() = 0;
  // Starts the upgrade worker; from here the worker and the mailslot poll drive the run.
  virtual void StartUpgradeWorker() = 0;
  // The console end of the work: the work files go, the closing texts are written, Enter is
  // awaited and the dialog ends with the cancel result.
  virtual void FinishUpgrade() = 0;
};

class ConsoleView : public EngineView {
 public:
  ConsoleView(Console& console, ConsoleHost& host) : console_(console), host_(host) {}

  // Each text goes out in one write with "®" as "(R)". Writes from the worker and from the
  // poll are not ordered against each other beyond that.
  void Text(const std::u16string& text) override;
  void StepStarted() override {}  // no dots on a console
  void StepEnded(const std::u16string& result) override;
  void Progress(int) override {}  // the poll writes the console's progress lines as text
  void ReportWritten() override {}
  // Must come on the dialog's thread, as the poll's end of the stage does.
  void StageEnded() override { host_.FinishUpgrade(); }
  // Nothing to click: the older items are named, and an all-current run waits for Enter.
  ReportPrompts Prompts() const override { return {15, 16}; }

  // The licence and the silent run's separators go out as they are.
  void WriteUnchanged(const std::u16string& text) { console_.Write(text); }
  void WaitForEnter() { console_.WaitForEnter(); }

  // The silent run, the dialog's last initialisation step: the licence, the package, the
  // checking report, then the upgrade worker, or the end when everything is current. The
  // engine must report to this view.
  void RunSilent(UpgradeEngine& engine, const std::u16string& licence);

 private:
  Console& console_;
  ConsoleHost& host_;
};

}  // namespace brevix
