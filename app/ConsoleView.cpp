#include "app/ConsoleView.h"

#include "platform/Text.h"

namespace brevix {

void ConsoleView::Text(const std::u16string& text) { console_.Write(ConsoleSafe(text)); }

void ConsoleView::StepEnded(const std::u16string& result) { console_.Write(ConsoleSafe(result)); }

void ConsoleView::RunSilent(UpgradeEngine& engine, const std::u16string& licence) {
  const std::u16string crlf = u"\r\n";
  WriteUnchanged(licence);
  WriteUnchanged(crlf);
  host_.ExtractPackageOnce();
  WriteUnchanged(crlf);
  engine.RunChecks();
  WriteUnchanged(crlf);
  if (engine.allLatest == 1) {
    host_.FinishUpgrade();
  } else {
    host_.StartUpgradeWorker();
  }
}

}  // namespace brevix
