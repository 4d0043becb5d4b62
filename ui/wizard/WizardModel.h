#pragma once
// The wizard's decisions without its window: the page state, what the two wizard buttons and
// the keyboard do on each page, the quit confirmation, the end of the work stage and the
// restart choice. Every input returns the ordered effects the dialog carries out; the dialog
// feeds back what only the window knows (the buttons' looks, where the focus is, whether the
// checks found everything current).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/TextTable.h"
#include "engine/RunTypes.h"

namespace brevix {

// pageState: the wizard's stage.
enum PageState : int { kStateIntroduction = 0, kStateLicence = 1, kStateChecking = 2, kStateUpgrading = 3, kStateFinished = 4 };
// The pages ShowPage fills.
enum WizardPage : int { kPageLicence = 0, kPageIntroduction = 1, kPageChecking = 2, kPageUpgrade = 3 };

// The window's own timers; the run's come from its scheduler, above these.
constexpr unsigned kHoverTimer = 2;  // focus follows the mouse over the title-bar buttons
constexpr unsigned kDotsTimer = 4;   // the running step's dots
constexpr unsigned kHoverPollMs = 50;
constexpr unsigned kDotsPeriodMs = 1000;

enum class WizardButton { Next, Cancel };

struct WizardEffect {
  enum Kind {
    // What the user did, for the run.
    Consent,            // consent
    Back,               // from the checking report back
    Quit,               // leave the wizard
    Finish,             // the finish page's Finish, after the restart choice
    ChooseRestart,      // restartNow
    // What the window shows.
    ShowPage,           // page
    SetLook,            // button, look
    SetDefaultMarker,   // button, marker
    HideNext,
    SwapButtons,
    SetCaption,         // button, text
    ShowSubtitle,
    ShowProgress,       // the bar shown at fraction 0
    HideProgress,       // the bar hidden at fraction 0
    FocusLog,
    InvalidateWindow,   // erase
    InvalidateCancel,   // the cancel button, without erase
    OpenQuitPopup,      // runs modally; the dialog calls QuitPopupClosed afterwards
    AppendText,         // text
    ShowRestartChoice,  // show the question, both pictures and both texts
    SetChoicePictures,  // choice: the one whose picture shows the chosen mark (0 or 1)
    DrawChoiceFrames,   // choice: draw that frame, erase the other (kNoChoice: erase both)
    PostPaint,
  };
  Kind kind = PostPaint;
  WizardButton button = WizardButton::Next;
  int page = 0;           // a WizardPage
  int look = 0;           // a UserButton look
  int marker = 0;         // a UserButton default marker
  int choice = 0;         // 0 restart now, 1 restart later, kNoChoice
  bool erase = false;
  bool restartNow = false;
  RunConsent consent = RunConsent::Licence;
  std::u16string text;
  friend bool operator==(const WizardEffect&, const WizardEffect&) = default;
};
constexpr int kNoChoice = 2;
using WizardEffects = std::vector<WizardEffect>;

// What the keyboard filter does with a message: drop it, or leave it to normal processing.
enum class FilterVerdict { Pass, Swallow };
struct FilterResult {
  FilterVerdict verdict = FilterVerdict::Pass;
  WizardEffects effects;
};

// Keys the filter tells apart; everything else is Other.
enum class WizardKey { Tab, Enter, Space, Left, Right, Up, Down, PageUp, PageDown, Other };
// System keys: Alt, Space and F10 open nothing; the others (Alt+F4 among them) pass.
enum class WizardSysKey { Alt, Space, F10, Other };

struct ButtonFacts {
  int look = 1;
  int marker = 0;
};

// What the window knows at the moment of a key.
struct KeyContext {
  ButtonFacts next;
  ButtonFacts cancel;
  bool focusOnLog = false;
  bool restartChoiceVisible = false;  // the first radio picture is visible
};

constexpr int kPageBackgroundImage = 143;
constexpr int kIntroBackgroundImage = 171;

// What ShowPage puts on the controls; an absent text leaves its control unchanged.
struct PageContent {
  enum class ScrollBar { SyncShow, Hide, Sync };
  int pageBackground = 0;
  int textBoxStyle = 0;
  std::optional<std::u16string> heading, subtitle, log, introText, nextCaption, cancelCaption;
  ScrollBar scrollBar = ScrollBar::Sync;
};
PageContent PageFor(int page, const TextTable& texts);

class WizardModel {
 public:
  explicit WizardModel(const TextTable& texts) : texts_(texts) {}

  int PageStateValue() const { return pageState_; }
  bool PopupOpen() const { return popupOpen_; }
  int RestartChoice() const { return restartChoice_; }
  int ChoiceFocus() const { return choiceFocus_; }

  // Initialisation: the license page.
  WizardEffects Start();

  // The two wizard buttons (a click, or Enter through the filter).
  WizardEffects NextButton();
  WizardEffects CancelButton();
  // The run's checking report is out: straight to the finish page when everything is current.
  WizardEffects ChecksFinished(bool allLatest);

  // The close button, the license page's Cancel, a posted close command.
  WizardEffects ConfirmQuit();
  void QuitPopupClosed() { popupOpen_ = false; }
  // A close request of the window (WM_CLOSE: "End task", a log-off; a cancel command): the
  // quit confirmation's Yes while it is open, else what the close button does: asks before
  // the upgrade, nothing during it or on the finish page (only Finish ends the wizard there).
  WizardEffects CloseRequest();

  // The run's upgrading stage is over: the finish page.
  WizardEffects FinishUpgrade(bool allLatest);

  // Whether all five restart-choice controls were created.
  void SetRestartChoiceAvailable(bool available) { restartChoiceAvailable_ = available; }
  WizardEffects SelectRestartNow();
  WizardEffects SelectRestartLater();
  WizardEffects FinishAction();

  // The message filter.
  FilterResult KeyDown(WizardKey key, const KeyContext& context);
  FilterResult SysKeyDown(WizardSysKey key) const;
  FilterResult PostedClose();
  // Whether the wheel scrolls the log (on every page but the introduction).
  bool WheelScrollsLog() const { return pageState_ != kStateIntroduction; }

 private:
  WizardEffects EmphasiseNext() const;
  WizardEffects EmphasiseCancel() const;
  WizardEffects UpgradeStart();
  FilterResult FinishedPageKey(WizardKey key, const KeyContext& context);
  static void MarkButtons(WizardEffects& out, int nextMarker, int cancelMarker);

  const TextTable& texts_;
  int pageState_ = kStateLicence;
  bool popupOpen_ = false;
  bool restartChoiceAvailable_ = false;
  bool restartChoiceShownOnce_ = false;
  int restartChoice_ = 0;
  int choiceFocus_ = kNoChoice;
};

// ---- the log's scroll bar -------------------------------------------------------------------
constexpr int kLogVisibleLines = 14;

// The bar's range for a log of `lineCount` lines.
int ScrollRangeForLines(int lineCount);

// A wheel turn over the log: the bar's new position and the lines to scroll the log by, or
// nothing when the new position falls outside 0..lineCount.
struct WheelMove {
  int position;
  int scrollLines;
  friend bool operator==(const WheelMove&, const WheelMove&) = default;
};
std::optional<WheelMove> WheelStep(int position, int wheelDelta, int lineCount);

// ---- timer 2: the title-bar buttons' hover focus --------------------------------------------
enum class TitleSpot { Minimise, Close, Elsewhere };
// Which title-bar button gets the focus, or Elsewhere for "back to the title"; nothing when the
// focus stays as it is.
std::optional<TitleSpot> HoverFocus(TitleSpot underPointer, TitleSpot focus);

// ---- the step animation -----------------------------------------------------------------
// " ", " .", " . .", " . . ." in turn.
std::u16string_view DotsFrame(int step);

}  // namespace brevix
