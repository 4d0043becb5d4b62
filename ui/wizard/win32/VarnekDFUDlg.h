#pragma once
// The wizard: one skinned, borderless, translucent modal dialog (template 102) that walks the
// user from the licence to the finish page. Its decisions come from WizardModel; this class
// carries out the model's effects on the window, owns the engine and the worker thread, and
// is the engine's view in the wizard (worker calls reach the UI thread through a task queue).
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/ConsoleView.h"
#include "data/LanguageTable.h"
#include "data/UpgradeLog.h"
#include "engine/EngineView.h"
#include "engine/FirmwarePoll.h"
#include "engine/UpgradeEngine.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Resources.h"
#include "ui/controls/win32/UserButton.h"
#include "ui/controls/win32/XScrollBar.h"
#include "ui/framework/BitmapButton.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/TaskQueue.h"
#include "ui/framework/Window.h"
#include "ui/skin/SkinRules.h"
#include "ui/wizard/WizardModel.h"
#include "ui/wizard/WizardTexts.h"
#include "ui/wizard/WorkFiles.h"

namespace brevix {

// Everything the wizard reaches outside itself; all of it outlives the dialog.
struct WizardServices {
  EngineServices engine;
  ResourceSource& resources;
  Console& console;                 // the command-line modes' console
  FileSecurityReader& fileSecurity;  // vouches for programs started from an inherited directory
  std::u16string systemDirectory;  // where cmd.exe and shutdown.exe are
  bool ownWorkingDirectory = false;  // start-up made its own working directory current
  std::u16string applicationName;    // the title of the program's message boxes
};

class CVarnekDFUDlg : public framework::Dialog, private EngineView, private ConsoleHost {
 public:
  explicit CVarnekDFUDlg(const WizardServices& services);
  // Waits for the worker: the engine and this dialog outlive it.
  ~CVarnekDFUDlg() override;

  bool consoleMode = false;
  bool silentMode = false;

  UpgradeEngine& Engine() { return engine_; }
  const WizardModel& Model() const { return model_; }
  const WizardTexts& Texts() const { return texts_; }
  bool PackageExtracted() const { return model_.PackageWasExtracted(); }
  int RestartChoice() const { return model_.RestartChoice(); }
  // Whether an upgrade run was started and what it came to; read after the dialog ended.
  bool UpgradeAttempted() const { return upgradeAttempted_; }
  bool StepFailed() const { return engine_.anyStepFailed.load(); }

  // The log, the step animation and the progress bar. UI thread only; the engine's view
  // carries calls from other threads here.
  void AppendText(const std::u16string& text);
  void FinishStep(const std::u16string* result);
  void SetProgress(bool show, float fraction);
  void SyncScrollBar();
  void FinishUpgrade() override;
  // Extracts the package unless that succeeded before (the licence's Accept, a silent run).
  bool ExtractPackageIfNeeded();
  // Starts the worker thread once per run.
  void StartWorker();
  bool WorkerRunning() const;
  void StopTimer(unsigned id) { ::KillTimer(Handle(), id); }
  void SetTimerPeriod(unsigned id, unsigned ms) { ::SetTimer(Handle(), id, ms, nullptr); }

 protected:
  BOOL OnInitDialog() override;
  bool PreTranslateMessage(MSG& message) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override {}
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnNcPaint() override;
  LRESULT OnEraseBkgnd(HDC) override { return TRUE; }
  HBRUSH OnCtlColor(HDC dc, HWND control, int kind) override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, POINT at) override;
  void OnVScroll(int code, int position, HWND bar) override;
  void OnSetFocus(HWND) override;
  void OnSysCommand(UINT command, LPARAM) override;
  void OnDestroy() override;

 private:
  // The engine's view: runs on the UI thread, or is queued there in order.
  void Text(const std::u16string& text) override;
  void StepStarted() override;
  void StepEnded(const std::u16string& result) override;
  void Progress(int percent) override;
  void ReportWritten() override;
  void StageEnded() override;
  void OnUiThread(std::function<void()> call);
  // What a console run needs of its hidden dialog.
  void ExtractPackageOnce() override { ExtractPackageIfNeeded(); }
  void StartUpgradeWorker() override { StartWorker(); }

  void Run(const WizardEffects& effects);
  void ShowPage(int page);
  void SwapButtons();
  void RunQuitPopup();
  void RemoveWorkFiles();
  void DotsTick();
  void WheelOverLog(int delta);
  void HoverTick();
  bool CreateFonts();
  bool CreateProgressBar();
  bool CreateScrollBar();
  bool CreateRestartChoice(HFONT font, const std::u16string& question, const std::u16string& first,
                           const std::u16string& second);
  void ShowRestartChoice();
  void DrawChoiceFrames(int focus);
  void PlaceControls();
  HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
  HWND Log() const { return Item(1004); }
  int LogLineCount() const;
  int LogEnd() const;
  UserButton& ButtonOf(WizardButton which) { return which == WizardButton::Next ? nextButton_ : cancelButton_; }
  void ReportPreparingFailure();
  void CreateMailslot();
  void PollTick();

  WizardServices services_;
  WizardTexts texts_;
  WizardModel model_;
  UpgradeEngine engine_;
  framework::TaskQueue tasks_;
  std::thread worker_;
  std::unique_ptr<MailslotReader> mailslot_;
  std::optional<FirmwarePoll> poll_;
  std::optional<ConsoleView> consoleView_;  // the engine's view in the command-line modes
  std::atomic<bool> workerRunning_{false};
  bool upgradeAttempted_ = false;

  HICON icon_ = nullptr;  // shared resource icon
  UserButton nextButton_, cancelButton_;
  framework::BitmapButton minimiseButton_, closeButton_;
  framework::FontHandle titleFont_, bodyFont_;
  framework::BitmapHandle pagePicture_, introPicture_, choiceChosen_, choiceNotChosen_;
  framework::BitmapHandle progressTrack_, progressFill_;
  framework::BrushHandle panelBrush_;
  HWND progressStatics_[2] = {nullptr, nullptr};
  RECT progressTrackRect_{106, 440, 626, 458};
  RECT progressFillRect_{109, 442, 621, 452};
  HWND choicePictures_[2] = {nullptr, nullptr};
  HWND choiceTexts_[2] = {nullptr, nullptr};
  HWND restartQuestion_ = nullptr;
  CXScrollBar scrollBar_;
  PageSkinState skinState_;
  RECT swapRects_[2]{};
  bool swapRectsTaken_ = false;
  int dotsStart_ = -1;
  int dotStep_ = 0;
  bool licenceCaretJumped_ = false;
  RecordingFileSystem extractionFiles_;
  WorkSite site_;
};

}  // namespace brevix
