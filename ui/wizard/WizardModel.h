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

namespace brevix {

// pageState: the wizard's stage.
enum PageState : int { kStateIntroduction = 0, kStateLicence = 1, kStateChecking = 2, kStateUpgrading = 3, kStateFinished = 4 };
// The pages ShowPage fills.
enum WizardPage : int { kPageLicence = 0, kPageIntroduction = 1, kPageChecking = 2, kPageUpgrade = 3 };

constexpr unsigned kPollTimer = 1;    // mailslot poll and end of the stage
constexpr unsigned kHoverTimer = 2;   // focus follows the mouse over the title-bar buttons
constexpr unsigned kWorkerTimer = 3;  // starts the upgrade worker, once
constexpr unsigned kDotsTimer = 4;    // the running step's dots
constexpr unsigned kFirstPollMs = 3000;
constexpr unsigned kHoverPollMs = 50;
constexpr unsigned kWorkerDelayMs = 1000;
constexpr unsigned kDotsPeriodMs = 1000;

enum class WizardButton { Next, Cancel };

struct WizardEffect {
  enum Kind {
    ShowPage,           // a = WizardPage
    ExtractPackage,     // the dialog reports the result with PackageExtracted
    RunChecks,          // the dialog reports the result with ChecksFinished
    SetLook,            // button, a = look
    SetDefaultMarker,   // button, a = marker
    HideNext,
    SwapButtons,
    SetCaption,         // button, text
    ShowSubtitle,
    ShowProgress,       // the bar shown at fraction 0
    HideProgress,       // the bar hidden at fraction 0
    StartTimer,         // a = timer id, b = period in ms
    FocusLog,
    InvalidateWindow,   // a = erase (0 or 1)
    InvalidateCancel,   // the cancel button, without erase
    OpenQuitPopup,      // runs modally; the dialog calls QuitPopupClosed afterwards
    RemoveWorkFiles,
    AppendText,         // text
    EndDialog,          // with the cancel result
    ShowRestartChoice,  // show the question, both pictures and both texts
    SetChoicePictures,  // a = the choice whose picture shows the chosen mark (0 or 1)
    DrawChoiceFrames,   // a = choiceFocus: draw that frame, erase the other (2: erase both)
    RestartSystem,
    PostPaint,
  };
  Kind kind;
  WizardButton button = WizardButton::Next;
  int a = 0;
  int b = 0;
  std::u16string text;
  friend bool operator==(const WizardEffect&, const WizardEffect&) = default;
};
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
  bool PackageWasExtracted() const { return packageExtracted_; }
  int RestartChoice() const { return restartChoice_; }
  int ChoiceFocus() const { return choiceFocus_; }

  // Initialisation: the license page.
  WizardEffects Start();

  // The two wizard buttons (a click, or Enter through the filter).
  WizardEffects NextButton();
  WizardEffects CancelButton();
  // After an ExtractPackage effect.
  void PackageExtracted(bool succeeded) { packageExtracted_ = packageExtracted_ || succeeded; }
  // After a RunChecks effect: straight to the finish page when everything is current.
  WizardEffects ChecksFinished(bool allLatest);

  // The close button, the license page's Cancel, a posted close command.
  WizardEffects ConfirmQuit();
  void QuitPopupClosed() { popupOpen_ = false; }

  // The work stage is over: the finish page.
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
  bool packageExtracted_ = false;
  bool popupOpen_ = false;
  bool restartChoiceAvailable_ = false;
  bool restartChoiceShownOnce_ = false;
  int restartChoice_ = 0;
  int choiceFocus_ = 2;
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
