#include "ui/wizard/WizardModel.h"

#include <array>

#include "data/TextKeys.h"
#include "ui/controls/UserButtonModel.h"

namespace brevix {
namespace {

using E = WizardEffect;

E Effect(E::Kind kind, WizardButton button = WizardButton::Next) {
  E e;
  e.kind = kind;
  e.button = button;
  return e;
}
// An effect with its one payload field set.
template <class T>
E With(E::Kind kind, T E::*field, T value, WizardButton button = WizardButton::Next) {
  E e = Effect(kind, button);
  e.*field = std::move(value);
  return e;
}
E Page(int page) { return With(E::ShowPage, &E::page, page); }
E Look(WizardButton button, int look) { return With(E::SetLook, &E::look, look, button); }
E Marker(WizardButton button, int marker) { return With(E::SetDefaultMarker, &E::marker, marker, button); }
E Caption(WizardButton button, std::u16string text) { return With(E::SetCaption, &E::text, std::move(text), button); }
E Append(std::u16string text) { return With(E::AppendText, &E::text, std::move(text)); }
E Invalidate(bool erase) { return With(E::InvalidateWindow, &E::erase, erase); }
E Choice(E::Kind kind, int choice) { return With(kind, &E::choice, choice); }
E ConsentTo(RunConsent what) { return With(E::Consent, &E::consent, what); }
E Restart(bool now) { return With(E::ChooseRestart, &E::restartNow, now); }

void Add(WizardEffects& out, WizardEffects more) { out.insert(out.end(), more.begin(), more.end()); }

bool IsHighlighted(const ButtonFacts& button) { return button.look == kLookHighlighted; }

}  // namespace

void WizardModel::MarkButtons(WizardEffects& out, int nextMarker, int cancelMarker) {
  out.push_back(Marker(WizardButton::Next, nextMarker));
  out.push_back(Marker(WizardButton::Cancel, cancelMarker));
}

WizardEffects WizardModel::Start() {
  pageState_ = kStateLicence;
  return {Page(kPageLicence)};
}

WizardEffects WizardModel::EmphasiseNext() const {
  WizardEffects out;
  MarkButtons(out, kDefaultMarker, 1);
  out.push_back(Effect(E::FocusLog));
  out.push_back(Invalidate(false));
  return out;
}

WizardEffects WizardModel::EmphasiseCancel() const {
  WizardEffects out;
  MarkButtons(out, 1, kDefaultMarker);
  out.push_back(Invalidate(false));
  return out;
}

WizardEffects WizardModel::UpgradeStart() {
  return {
      Look(WizardButton::Next, kLookNormal),
      Effect(E::HideNext),
      Effect(E::SwapButtons),
      Caption(WizardButton::Cancel, texts_.Text(text::kCancel)),
      Look(WizardButton::Cancel, kLookDisabled),
      Effect(E::ShowSubtitle),
      Effect(E::ShowProgress),
      ConsentTo(RunConsent::Upgrade),
  };
}

WizardEffects WizardModel::NextButton() {
  WizardEffects out;
  switch (pageState_) {
    case kStateLicence:
      out.push_back(ConsentTo(RunConsent::Licence));  // the run unpacks the package once
      out.push_back(Page(kPageIntroduction));
      pageState_ = kStateIntroduction;
      break;
    case kStateIntroduction:
      // The rest follows the checks' outcome (ChecksFinished).
      pageState_ = kStateChecking;
      return {Page(kPageChecking), ConsentTo(RunConsent::Checks)};
    case kStateChecking:
      out.push_back(Page(kPageUpgrade));
      pageState_ = kStateUpgrading;
      Add(out, UpgradeStart());
      break;
    case kStateUpgrading:
      return {};
    case kStateFinished:
      break;
  }
  Add(out, EmphasiseNext());
  return out;
}

WizardEffects WizardModel::ChecksFinished(bool allLatest) {
  if (pageState_ != kStateChecking) return {};
  if (!allLatest) return EmphasiseNext();
  WizardEffects out{Effect(E::HideNext)};
  Add(out, FinishUpgrade(true));
  out.push_back(Effect(E::SwapButtons));
  out.push_back(Invalidate(true));
  return out;
}

WizardEffects WizardModel::CancelButton() {
  WizardEffects out;
  switch (pageState_) {
    case kStateLicence:
      out = ConfirmQuit();
      break;
    case kStateIntroduction:
      out.push_back(Page(kPageLicence));
      pageState_ = kStateLicence;
      break;
    case kStateChecking:
      out.push_back(Page(kPageIntroduction));
      out.push_back(Effect(E::Back));
      pageState_ = kStateIntroduction;
      break;
    case kStateUpgrading:
      return {};
    case kStateFinished:
      out = FinishAction();
      break;
  }
  Add(out, EmphasiseCancel());
  return out;
}

WizardEffects WizardModel::ConfirmQuit() {
  if (pageState_ == kStateUpgrading || pageState_ == kStateFinished || popupOpen_) return {};
  popupOpen_ = true;
  return {Effect(E::OpenQuitPopup)};
}

WizardEffects WizardModel::CloseRequest() {
  if (popupOpen_) return {Effect(E::Quit)};  // the confirmation's Yes
  return ConfirmQuit();
}

WizardEffects WizardModel::FinishUpgrade(bool allLatest) {
  WizardEffects out;
  if (!allLatest) out.push_back(Append(texts_.Text(text::kUpgradeFinished) + u"\r\n" + texts_.Text(text::kClickFinish)));
  pageState_ = kStateFinished;
  out.push_back(Caption(WizardButton::Cancel, texts_.Text(text::kFinish)));
  out.push_back(Look(WizardButton::Cancel, kLookHighlighted));
  out.push_back(Marker(WizardButton::Cancel, kDefaultMarker));
  out.push_back(Effect(E::InvalidateCancel));
  out.push_back(Effect(E::HideProgress));
  if (!allLatest && restartChoiceAvailable_) {
    out.push_back(Effect(E::ShowRestartChoice));
    // The first showing preselects the restart; its picture already shows the chosen mark.
    if (!restartChoiceShownOnce_) {
      restartChoiceShownOnce_ = true;
      restartChoice_ = 1;
    }
  }
  out.push_back(Effect(E::PostPaint));
  return out;
}

WizardEffects WizardModel::SelectRestartNow() {
  if (!restartChoiceAvailable_) return {};
  restartChoice_ = 1;
  choiceFocus_ = 0;
  return {Choice(E::SetChoicePictures, 0), Choice(E::DrawChoiceFrames, 0)};
}

WizardEffects WizardModel::SelectRestartLater() {
  if (!restartChoiceAvailable_) return {};
  restartChoice_ = 0;
  choiceFocus_ = 1;
  return {Choice(E::SetChoicePictures, 1), Choice(E::DrawChoiceFrames, 1)};
}

WizardEffects WizardModel::FinishAction() {
  return {Restart(restartChoice_ == 1), Effect(E::Finish)};
}

FilterResult WizardModel::FinishedPageKey(WizardKey key, const KeyContext& context) {
  FilterResult result{FilterVerdict::Swallow, {}};
  WizardEffects& out = result.effects;
  switch (key) {
    case WizardKey::Tab:
      if (context.restartChoiceVisible) {
        // Finish -> first choice -> second choice -> Finish.
        if (context.cancel.marker == kDefaultMarker) {
          choiceFocus_ = 0;
          out.push_back(Choice(E::DrawChoiceFrames, 0));
          out.push_back(Marker(WizardButton::Cancel, 1));
        } else if (choiceFocus_ == 0) {
          choiceFocus_ = 1;
          out.push_back(Choice(E::DrawChoiceFrames, 1));
        } else {
          choiceFocus_ = kNoChoice;
          out.push_back(Choice(E::DrawChoiceFrames, kNoChoice));
          out.push_back(Marker(WizardButton::Cancel, kDefaultMarker));
        }
      } else if (context.cancel.marker != kDefaultMarker) {
        out.push_back(Marker(WizardButton::Cancel, kDefaultMarker));
      }
      break;
    case WizardKey::Enter:
    case WizardKey::Space:
      if (popupOpen_) break;
      if (IsHighlighted(context.cancel)) {
        out = FinishAction();
      } else if (choiceFocus_ == 0) {
        out = SelectRestartNow();
      } else if (choiceFocus_ == 1) {
        out = SelectRestartLater();
      }
      break;
    default:
      break;
  }
  return result;
}

FilterResult WizardModel::KeyDown(WizardKey key, const KeyContext& context) {
  const FilterResult swallow{FilterVerdict::Swallow, {}};
  const FilterResult pass{FilterVerdict::Pass, {}};
  switch (key) {
    case WizardKey::Tab: {
      if (pageState_ == kStateFinished) return FinishedPageKey(key, context);
      if (pageState_ == kStateUpgrading) return swallow;
      FilterResult result = swallow;
      const bool next = IsHighlighted(context.next), cancel = IsHighlighted(context.cancel);
      if (!next && !cancel) {
        result.effects.push_back(Marker(WizardButton::Cancel, kDefaultMarker));
      } else if (cancel) {
        MarkButtons(result.effects, kDefaultMarker, 1);
      } else {
        MarkButtons(result.effects, 1, kDefaultMarker);
      }
      return result;
    }
    case WizardKey::Enter:
    case WizardKey::Space: {
      if (popupOpen_) return swallow;
      if (pageState_ == kStateFinished) return FinishedPageKey(key, context);
      if (pageState_ == kStateUpgrading) return swallow;
      FilterResult result = swallow;
      const bool next = IsHighlighted(context.next), cancel = IsHighlighted(context.cancel);
      if (next && cancel) {
        if (context.cancel.marker == kDefaultMarker) {
          result.effects = CancelButton();
        } else if (context.next.marker == kDefaultMarker) {
          result.effects = NextButton();
        }
      } else if (cancel) {
        result.effects = CancelButton();
      } else if (next) {
        result.effects = NextButton();
      }
      return result;
    }
    case WizardKey::Left: {
      if (popupOpen_ || pageState_ == kStateUpgrading || pageState_ == kStateFinished) return swallow;
      FilterResult result = swallow;
      MarkButtons(result.effects, 1, kDefaultMarker);
      return result;
    }
    case WizardKey::Right: {
      if (popupOpen_) return swallow;
      FilterResult result = swallow;
      if (pageState_ == kStateFinished) {
        MarkButtons(result.effects, 1, kDefaultMarker);
      } else {
        MarkButtons(result.effects, kDefaultMarker, 1);
      }
      return result;
    }
    case WizardKey::Up:
    case WizardKey::Down:
      return context.focusOnLog ? pass : swallow;
    case WizardKey::PageUp:
    case WizardKey::PageDown:
      return pass;
    case WizardKey::Other:
      return swallow;
  }
  return swallow;
}

FilterResult WizardModel::SysKeyDown(WizardSysKey key) const {
  return {key == WizardSysKey::Other ? FilterVerdict::Pass : FilterVerdict::Swallow, {}};
}

FilterResult WizardModel::PostedClose() { return {FilterVerdict::Swallow, ConfirmQuit()}; }

PageContent PageFor(int page, const TextTable& texts) {
  PageContent c;
  switch (page) {
    case kPageLicence:
      c = {kPageBackgroundImage, 2, texts.Text(text::kLicenceHeading), texts.Text(text::kLicenceSubtitle), texts.Licence(), u"",
           texts.Text(text::kAccept), texts.Text(text::kCancel), PageContent::ScrollBar::SyncShow};
      break;
    case kPageIntroduction:
      c = {kIntroBackgroundImage, 1, texts.Text(text::kIntroHeading), u"", u"",
           texts.Text(text::kIntroWelcome) + u"\r\n" + texts.Text(text::kIntroClickNext), texts.Text(text::kNext),
           texts.Text(text::kBack), PageContent::ScrollBar::Hide};
      break;
    case kPageChecking:
      c = {kPageBackgroundImage, 2, u"", u"", u"", u"", texts.Text(text::kUpgrade), texts.Text(text::kBack),
           PageContent::ScrollBar::SyncShow};
      break;
    default:
      c.pageBackground = kPageBackgroundImage;
      c.textBoxStyle = 2;
      c.heading = u"";
      c.subtitle = texts.Text(text::kUpgradeSubtitle);
      c.log = u"";
      c.scrollBar = PageContent::ScrollBar::Sync;
      break;
  }
  return c;
}

// ---- helpers ------------------------------------------------------------------------------

int ScrollRangeForLines(int lineCount) { return lineCount > kLogVisibleLines ? lineCount - kLogVisibleLines : 0; }

std::optional<WheelMove> WheelStep(int position, int wheelDelta, int lineCount) {
  const int steps = wheelDelta / 120;  // truncates towards zero
  const long long moved = static_cast<long long>(position) - steps;
  if (moved < 0 || moved > lineCount) return std::nullopt;
  return WheelMove{static_cast<int>(moved), -steps};
}

std::optional<TitleSpot> HoverFocus(TitleSpot underPointer, TitleSpot focus) {
  if (underPointer != TitleSpot::Elsewhere) {
    if (focus == underPointer) return std::nullopt;
    return underPointer;
  }
  if (focus != TitleSpot::Elsewhere) return TitleSpot::Elsewhere;
  return std::nullopt;
}

std::u16string_view DotsFrame(int step) {
  static constexpr std::array<std::u16string_view, 4> kFrames{u" ", u" .", u" . .", u" . . ."};
  return kFrames[static_cast<std::size_t>(((step % 4) + 4) % 4)];
}

}  // namespace brevix
