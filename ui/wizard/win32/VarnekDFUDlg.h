#pragma once
// The wizard: one skinned, borderless, translucent modal dialog (template 102) that walks the
// user from the licence to the finish page. It is a front end over an upgrade run: its
// decisions come from WizardModel, the run's order from the run; this class carries out the
// model's effects on the window, passes what the user did on to the run, shows the run's
// events (those of other threads reach the UI thread through a task queue) and runs the run's
// timers as window timers.
//
// The class keeps the name the product's dialog has always had (its resources, the tests'
// window lookups and the logs people read know the wizard by it).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "data/UpgradeLog.h"
#include "engine/SessionEvent.h"
#include "engine/Scheduler.h"
#include "engine/UpgradeRun.h"
#include "ui/ResourceIds.h"
#include "ui/controls/win32/UserButton.h"
#include "ui/controls/win32/XScrollBar.h"
#include "ui/framework/BitmapButton.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/TaskQueue.h"
#include "ui/framework/Window.h"
#include "ui/skin/SkinRules.h"
#include "ui/wizard/WizardModel.h"

namespace brevix {

// Everything the wizard reaches outside itself; all of it outlives the dialog.
struct WizardServices {
  UpgradeRun& run;
  UpgradeLog& log;                  // a page that cannot be painted is recorded
  std::uint16_t languageTableId = 0;  // the language the texts came from (the skin's fonts)
  std::u16string applicationName;   // the title of the program's message boxes
};

class CVarnekDFUDlg : public framework::Dialog, private EventSink, private Scheduler {
 public:
  explicit CVarnekDFUDlg(const WizardServices& services);
  // Ends the run (if nothing else did) while this dialog still takes its events.
  ~CVarnekDFUDlg() override;

 protected:
  BOOL OnInitDialog() override;
  bool PreTranslateMessage(MSG& message) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override {}
  // A close request (WM_CLOSE: "End task", the quit confirmation's Yes; a cancel command) goes
  // to the model; only the run's end ends the dialog.
  void OnClose() override;
  void OnCancel() override;
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
  // The run's events: shown at once on the UI thread, queued there in order from others.
  void Emit(SessionEvent event) override;
  void ShowPending() override { tasks_.RunPending(); }
  // The run's timers, as window timers above the window's own ids.
  Timer After(std::uint32_t ms, std::function<void()> task) override { return Schedule(ms, std::move(task), false); }
  Timer Every(std::uint32_t ms, std::function<void()> task) override { return Schedule(ms, std::move(task), true); }
  void Cancel(Timer timer) override;
  Timer Schedule(std::uint32_t ms, std::function<void()> task, bool repeats);
  void Show(const SessionEvent& event);
  void OnUiThread(std::function<void()> call);

  // The log, the step animation and the progress bar. UI thread only.
  void AppendText(const std::u16string& text);
  // The running step's dots start after the log's last line; CloseStep replaces them with the
  // step's result.
  void StartStepDots();
  void CloseStep(const std::u16string& result);
  void SetProgress(bool show, float fraction);
  void SyncScrollBar();
  void FinishUpgrade(bool allLatest);
  void ScrollLogToEnd();

  void Run(const WizardEffects& effects);
  void ShowPage(int page);
  void SwapButtons();
  void RunQuitPopup();
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
  // The progress bar and the restart choice, once: when the licence page stands painted (the
  // first idle moment) or when first needed.
  void CreateLaterControls();
  void OnFirstIdle() override;
  HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
  HWND Log() const { return Item(IDC_LOG); }
  int LogLineCount() const;
  int LogEnd() const;
  UserButton& ButtonOf(WizardButton which) { return which == WizardButton::Next ? nextButton_ : cancelButton_; }
  void ReportPreparingFailure();

  WizardServices services_;
  UpgradeRun& run_;
  const TextTable& texts_;
  WizardModel model_;
  framework::TaskQueue tasks_;
  struct ScheduledTask {
    std::function<void()> task;
    bool repeats = false;
  };
  std::map<UINT_PTR, ScheduledTask> scheduled_;
  UINT_PTR nextTimer_ = 16;  // above kHoverTimer and kDotsTimer

  HICON icon_ = nullptr;  // shared resource icon
  UserButton nextButton_, cancelButton_;
  framework::BitmapButton minimiseButton_, closeButton_;
  framework::FontHandle titleFont_, bodyFont_;
  framework::BitmapHandle pagePicture_, introPicture_, choiceChosen_, choiceNotChosen_;
  framework::BitmapHandle progressTrack_, progressFill_;
  framework::BrushHandle panelBrush_;
  HWND progressStatics_[2] = {nullptr, nullptr};
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
  bool laterControlsMade_ = false;
  bool pagePainted_ = false;
};

}  // namespace brevix
