#include "ui/wizard/WizardModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls/UserButtonModel.h"

namespace brevix {
namespace {

using E = WizardEffect;

TextTable EnglishTexts() {
  TextTable t;
  for (const char16_t* key : {u"Next", u"Cancel", u"Back", u"Accept", u"Upgrade", u"Finish"}) t.Set(key, key);
  t.Set(u"Upgrade20", u"Click Finish to exit the setup program.");
  t.Set(u"Upgrade23", u"Upgrade Finished!");
  t.Set(u"Upgrade24", u"Press enter key to quit...");
  return t;
}

// A stand-in for the dialog: carries out the effects on two button models the way the
// window's buttons would, records every effect by name, and answers the model's questions.
struct FakeDialog {
  FakeDialog() : model(texts) {
    next.SetImagesLoaded(true);
    cancel.SetImagesLoaded(true);
    // Initialisation: both buttons skinned, the cancel button highlighted.
    cancel.SetLook(kLookNormal);
    cancel.SetDefaultMarker(kDefaultMarker);
    next.SetLook(kLookNormal);
    model.SetRestartChoiceAvailable(true);
    Run(model.Start());
  }

  KeyContext Context() const {
    return {{next.Look(), next.DefaultMarker()}, {cancel.Look(), cancel.DefaultMarker()}, focusOnLog, choiceShown};
  }

  FilterVerdict Key(WizardKey key) {
    FilterResult result = model.KeyDown(key, Context());
    Run(result.effects);
    return result.verdict;
  }
  void Next() { Run(model.NextButton()); }
  void Cancel() { Run(model.CancelButton()); }

  void Run(const WizardEffects& effects) {
    for (const E& e : effects) {
      UserButtonModel& b = e.button == WizardButton::Next ? next : cancel;
      const char* which = e.button == WizardButton::Next ? "next" : "cancel";
      switch (e.kind) {
        case E::Consent: {
          static const char* const kConsents[] = {"licence", "checks", "upgrade"};
          log.push_back(std::string("consent ") + kConsents[int(e.consent)]);
          // The run answers the checks' consent with its report.
          if (e.consent == RunConsent::Checks) Run(model.ChecksFinished(allLatest));
          break;
        }
        case E::Back: log.push_back("back"); break;
        case E::Quit: log.push_back("quit"); break;
        case E::Finish: log.push_back("finish"); break;
        case E::ChooseRestart: log.push_back(e.restartNow ? "restart now" : "restart later"); break;
        case E::ShowPage: log.push_back("page " + std::to_string(e.page)); break;
        case E::SetLook:
          b.SetLook(e.look);
          log.push_back(std::string("look ") + which + " " + std::to_string(e.look));
          break;
        case E::SetDefaultMarker:
          b.SetDefaultMarker(e.marker);
          log.push_back(std::string("marker ") + which + " " + std::to_string(e.marker));
          break;
        case E::HideNext: log.push_back("hide next"); break;
        case E::SwapButtons: log.push_back("swap"); break;
        case E::SetCaption: log.push_back(std::string("caption ") + which + " " + Utf8(e.text)); break;
        case E::ShowSubtitle: log.push_back("subtitle"); break;
        case E::ShowProgress: log.push_back("progress shown"); break;
        case E::HideProgress: log.push_back("progress hidden"); break;
        case E::FocusLog: focusOnLog = true; log.push_back("focus log"); break;
        case E::InvalidateWindow: log.push_back(e.erase ? "invalidate erase" : "invalidate"); break;
        case E::InvalidateCancel: log.push_back("invalidate cancel"); break;
        case E::OpenQuitPopup:
          log.push_back("popup");
          popupWasOpen = model.PopupOpen();
          if (!keepPopupOpen) model.QuitPopupClosed();
          break;
        case E::AppendText: log.push_back("append " + Utf8(e.text)); break;
        case E::ShowRestartChoice: choiceShown = true; log.push_back("restart choice"); break;
        case E::SetChoicePictures: log.push_back("chosen " + std::to_string(e.choice)); break;
        case E::DrawChoiceFrames: log.push_back("frame " + std::to_string(e.choice)); break;
        case E::PostPaint: log.push_back("paint"); break;
      }
    }
  }

  static std::string Utf8(const std::u16string& s) { return std::string(s.begin(), s.end()); }
  bool Logged(const std::string& what) const { return std::find(log.begin(), log.end(), what) != log.end(); }
  int Count(const std::string& what) const { return int(std::count(log.begin(), log.end(), what)); }

  TextTable texts = EnglishTexts();
  WizardModel model;
  UserButtonModel next, cancel;
  bool focusOnLog = false, choiceShown = false;
  bool allLatest = false, keepPopupOpen = false, popupWasOpen = false;
  std::vector<std::string> log;
};

TEST(WizardModel, LicencePageStartsWithCancelHighlightedAndEnterAsksToQuit) {
  FakeDialog d;
  EXPECT_EQ(d.model.PageStateValue(), kStateLicence);
  EXPECT_EQ(d.log, (std::vector<std::string>{"page 0"}));
  d.log.clear();
  d.keepPopupOpen = true;
  EXPECT_EQ(d.Key(WizardKey::Enter), FilterVerdict::Swallow);
  EXPECT_TRUE(d.popupWasOpen);
  EXPECT_TRUE(d.model.PopupOpen());
  // While the popup is open, the wizard neither acts on Enter nor opens a second popup.
  d.log.clear();
  EXPECT_EQ(d.Key(WizardKey::Enter), FilterVerdict::Swallow);
  EXPECT_EQ(d.Key(WizardKey::Space), FilterVerdict::Swallow);
  EXPECT_TRUE(d.model.PostedClose().effects.empty());
  EXPECT_FALSE(d.Logged("popup"));
  d.model.QuitPopupClosed();
  EXPECT_EQ(d.model.PostedClose().effects, (WizardEffects{[] { E e; e.kind = E::OpenQuitPopup; return e; }()}));
}

// Every close request is one rule: the confirmation's Yes leaves; otherwise it does what the
// close button does: asks before the upgrade, nothing during it and on the finish page.
TEST(WizardModel, CloseRequestsFollowThePage) {
  FakeDialog d;
  d.keepPopupOpen = true;
  d.log.clear();
  d.Run(d.model.CloseRequest());
  EXPECT_EQ(d.log, (std::vector<std::string>{"popup"}));
  d.log.clear();
  d.Run(d.model.CloseRequest());  // the popup's Yes, while it is open
  EXPECT_EQ(d.log, (std::vector<std::string>{"quit"}));

  FakeDialog upgrading;
  upgrading.Next();
  upgrading.Next();
  upgrading.Next();
  upgrading.log.clear();
  upgrading.Run(upgrading.model.CloseRequest());
  EXPECT_TRUE(upgrading.log.empty());

  upgrading.Run(upgrading.model.FinishUpgrade(false));
  upgrading.log.clear();
  upgrading.Run(upgrading.model.CloseRequest());
  EXPECT_TRUE(upgrading.log.empty());
}

TEST(WizardModel, TabMovesTheHighlightByTheButtonsLooks) {
  struct Case {
    int nextLook, cancelLook;
    int nextAfter, cancelAfter;
  } cases[] = {
      {kLookNormal, kLookNormal, kLookNormal, kLookHighlighted},             // neither: cancel
      {kLookNormal, kLookHighlighted, kLookHighlighted, kLookNormal},        // only cancel: to next
      {kLookHighlighted, kLookHighlighted, kLookHighlighted, kLookNormal},   // both: to next
      {kLookHighlighted, kLookNormal, kLookNormal, kLookHighlighted},        // only next: to cancel
  };
  for (const Case& c : cases) {
    FakeDialog d;
    d.next.SetLook(c.nextLook);  // as the mouse may have left them
    d.cancel.SetLook(c.cancelLook);
    EXPECT_EQ(d.Key(WizardKey::Tab), FilterVerdict::Swallow);
    EXPECT_EQ(d.next.Look(), c.nextAfter) << c.nextLook << "/" << c.cancelLook;
    EXPECT_EQ(d.cancel.Look(), c.cancelAfter) << c.nextLook << "/" << c.cancelLook;
  }
  // Two Tabs from the start: Accept, then Cancel again.
  FakeDialog d;
  d.Key(WizardKey::Tab);
  EXPECT_TRUE(d.next.Highlighted());
  d.Key(WizardKey::Tab);
  EXPECT_TRUE(d.cancel.Highlighted());
  EXPECT_FALSE(d.next.Highlighted());
}

TEST(WizardModel, EnterFollowsTheHighlightAndTheMarkerWhenBothAreHighlighted) {
  FakeDialog d;
  d.Key(WizardKey::Right);  // Accept highlighted
  d.Key(WizardKey::Enter);
  EXPECT_EQ(d.model.PageStateValue(), kStateIntroduction);
  // The mouse highlights Back while the marker stays on Next: Enter answers the marker.
  d.cancel.MouseMove();
  ASSERT_TRUE(d.next.Highlighted() && d.cancel.Highlighted());
  d.Key(WizardKey::Enter);
  EXPECT_EQ(d.model.PageStateValue(), kStateChecking);
  // Neither highlighted: Enter does nothing.
  d.next.SetLook(kLookNormal);
  d.cancel.SetLook(kLookNormal);
  d.log.clear();
  EXPECT_EQ(d.Key(WizardKey::Enter), FilterVerdict::Swallow);
  EXPECT_TRUE(d.log.empty());
}

TEST(WizardModel, PageChangesAndTheirEmphasis) {
  FakeDialog d;
  d.log.clear();
  d.Next();  // Accept
  EXPECT_EQ(d.log, (std::vector<std::string>{"consent licence", "page 1", "marker next 2", "marker cancel 1",
                                             "focus log", "invalidate"}));
  d.log.clear();
  d.Cancel();  // Back to the licence
  EXPECT_EQ(d.log, (std::vector<std::string>{"page 0", "marker next 1", "marker cancel 2", "invalidate"}));
  EXPECT_EQ(d.model.PageStateValue(), kStateLicence);
  d.Next();
  d.Next();  // Next: checking, with something to upgrade
  EXPECT_EQ(d.model.PageStateValue(), kStateChecking);
  d.log.clear();
  d.Cancel();  // Back to the introduction
  EXPECT_EQ(d.model.PageStateValue(), kStateIntroduction);
  EXPECT_EQ(d.log.at(0), "page 1");
  EXPECT_EQ(d.log.at(1), "back");
  d.log.clear();
  d.Next();  // the checks run again
  EXPECT_EQ(d.log, (std::vector<std::string>{"page 2", "consent checks", "marker next 2", "marker cancel 1",
                                             "focus log", "invalidate"}));
}

TEST(WizardModel, EverythingCurrentLeadsStraightToFinishWithoutClosingTexts) {
  FakeDialog d;
  d.allLatest = true;
  d.Next();
  d.log.clear();
  d.Next();
  EXPECT_EQ(d.log, (std::vector<std::string>{"page 2", "consent checks", "hide next", "caption cancel Finish", "look cancel 3", "marker cancel 2",
                                             "invalidate cancel", "progress hidden", "paint", "swap",
                                             "invalidate erase"}));
  EXPECT_EQ(d.model.PageStateValue(), kStateFinished);
  EXPECT_EQ(d.model.RestartChoice(), 0);
  // Finish ends without a restart; the close paths are inert.
  EXPECT_TRUE(d.model.ConfirmQuit().empty());
  d.log.clear();
  EXPECT_EQ(d.Key(WizardKey::Enter), FilterVerdict::Swallow);
  EXPECT_EQ(d.log, (std::vector<std::string>{"restart later", "finish"}));
}

TEST(WizardModel, UpgradeStartsTheRunAndLocksTheWizardUntilTheStageEnds) {
  FakeDialog d;
  d.Next();
  d.Next();
  d.log.clear();
  d.Next();  // Upgrade
  EXPECT_EQ(d.log, (std::vector<std::string>{"page 3", "look next 1", "hide next", "swap", "caption cancel Cancel",
                                             "look cancel 4", "subtitle", "progress shown", "consent upgrade",
                                             "marker next 2", "marker cancel 1", "focus log", "invalidate"}));
  EXPECT_EQ(d.cancel.Look(), kLookDisabled);  // stays disabled through the emphasis
  d.log.clear();
  d.Next();
  d.Cancel();
  EXPECT_TRUE(d.model.ConfirmQuit().empty());
  EXPECT_TRUE(d.model.PostedClose().effects.empty());
  for (WizardKey k : {WizardKey::Tab, WizardKey::Enter, WizardKey::Space, WizardKey::Left})
    EXPECT_EQ(d.Key(k), FilterVerdict::Swallow);
  EXPECT_EQ(d.cancel.Look(), kLookDisabled);
  EXPECT_EQ(d.model.PageStateValue(), kStateUpgrading);
  EXPECT_TRUE(d.log.empty());
}

TEST(WizardModel, FinishPageAfterAnUpgradeOffersTheRestartAndCyclesWithTab) {
  FakeDialog d;
  d.Next();
  d.Next();
  d.Next();
  d.log.clear();
  d.Run(d.model.FinishUpgrade(false));
  EXPECT_EQ(d.log, (std::vector<std::string>{"append Upgrade Finished!\r\nClick Finish to exit the setup program.",
                                             "caption cancel Finish", "look cancel 3", "marker cancel 2",
                                             "invalidate cancel", "progress hidden", "restart choice", "paint"}));
  EXPECT_EQ(d.model.RestartChoice(), 1);
  EXPECT_TRUE(d.cancel.Highlighted());

  d.log.clear();
  d.Key(WizardKey::Tab);  // Finish -> first choice
  d.Key(WizardKey::Tab);  // -> second choice
  d.Key(WizardKey::Enter);  // selects it without finishing
  d.Key(WizardKey::Tab);  // -> Finish
  EXPECT_EQ(d.log, (std::vector<std::string>{"frame 0", "marker cancel 1", "frame 1", "chosen 1", "frame 1",
                                             "frame 2", "marker cancel 2"}));
  EXPECT_EQ(d.model.RestartChoice(), 0);
  d.log.clear();
  d.Key(WizardKey::Left);  // swallowed, changes nothing
  EXPECT_TRUE(d.log.empty());
  d.Key(WizardKey::Enter);
  EXPECT_EQ(d.log, (std::vector<std::string>{"restart later", "finish"}));
}

TEST(WizardModel, FinishRestartsOnlyWhenTheRestartIsChosen) {
  FakeDialog d;
  d.Next();
  d.Next();
  d.Next();
  d.Run(d.model.FinishUpgrade(false));
  d.log.clear();
  d.Cancel();  // the Finish button, clicked
  EXPECT_EQ(d.log.at(0), "restart now");
  EXPECT_EQ(d.log.at(1), "finish");

  // The second choice by click, then the first again: the last click decides.
  FakeDialog e;
  e.Next();
  e.Next();
  e.Next();
  e.Run(e.model.FinishUpgrade(false));
  e.Run(e.model.SelectRestartLater());
  e.log.clear();
  e.Cancel();
  EXPECT_TRUE(e.Logged("restart later"));
  e.Run(e.model.SelectRestartNow());
  EXPECT_EQ(e.model.ChoiceFocus(), 0);
  e.log.clear();
  e.Cancel();
  EXPECT_TRUE(e.Logged("restart now"));
}

TEST(WizardModel, WithoutRestartControlsNothingIsShownAndFinishDoesNotRestart) {
  FakeDialog d;
  d.model.SetRestartChoiceAvailable(false);
  d.Next();
  d.Next();
  d.Next();
  d.Run(d.model.FinishUpgrade(false));
  EXPECT_FALSE(d.Logged("restart choice"));
  EXPECT_TRUE(d.model.SelectRestartNow().empty());
  d.log.clear();
  d.Cancel();
  EXPECT_EQ(d.log.at(0), "restart later");
  EXPECT_EQ(d.log.at(1), "finish");
}

TEST(WizardModel, FilterPassesOnlyWhatScrollsOrTheSystemNeeds) {
  struct Case {
    WizardKey key;
    bool focusOnLog;
    FilterVerdict verdict;
  } cases[] = {
      {WizardKey::Up, true, FilterVerdict::Pass},      {WizardKey::Down, true, FilterVerdict::Pass},
      {WizardKey::Up, false, FilterVerdict::Swallow},  {WizardKey::Down, false, FilterVerdict::Swallow},
      {WizardKey::PageUp, false, FilterVerdict::Pass}, {WizardKey::PageDown, true, FilterVerdict::Pass},
      {WizardKey::Other, true, FilterVerdict::Swallow},  // letters, Escape, Backspace, Delete
  };
  for (const Case& c : cases) {
    FakeDialog d;
    d.focusOnLog = c.focusOnLog;
    d.log.clear();
    EXPECT_EQ(d.Key(c.key), c.verdict) << int(c.key);
    EXPECT_TRUE(d.log.empty());
  }
  FakeDialog d;
  for (WizardSysKey k : {WizardSysKey::Alt, WizardSysKey::Space, WizardSysKey::F10})
    EXPECT_EQ(d.model.SysKeyDown(k).verdict, FilterVerdict::Swallow);
  EXPECT_EQ(d.model.SysKeyDown(WizardSysKey::Other).verdict, FilterVerdict::Pass);  // Alt+F4 reaches SC_CLOSE
  // Left and Right move the marker; Left takes the marker to Cancel, Right to Next.
  d.Key(WizardKey::Right);
  EXPECT_TRUE(d.next.Highlighted());
  d.Key(WizardKey::Left);
  EXPECT_TRUE(d.cancel.Highlighted());
  EXPECT_FALSE(d.next.Highlighted());
}

TEST(WizardModel, PageContentsFollowThePageTable) {
  TextTable t = EnglishTexts();
  t.Set(u"License01", u"Licence heading");
  t.Set(u"Indroduction02", u"Welcome");
  t.Set(u"Indroduction03", u"Click Next");
  const PageContent licence = PageFor(kPageLicence, t);
  EXPECT_EQ(licence.pageBackground, 143);
  EXPECT_EQ(licence.textBoxStyle, 2);
  EXPECT_EQ(licence.heading, u"Licence heading");
  EXPECT_EQ(licence.nextCaption, u"Accept");
  EXPECT_EQ(licence.cancelCaption, u"Cancel");
  const PageContent intro = PageFor(kPageIntroduction, t);
  EXPECT_EQ(intro.pageBackground, 171);
  EXPECT_EQ(intro.textBoxStyle, 1);
  EXPECT_EQ(intro.introText, u"Welcome\r\nClick Next");
  EXPECT_EQ(intro.log, u"");
  EXPECT_EQ(intro.scrollBar, PageContent::ScrollBar::Hide);
  const PageContent upgrade = PageFor(kPageUpgrade, t);
  EXPECT_FALSE(upgrade.introText.has_value());  // left as the checking page left it
  EXPECT_FALSE(upgrade.nextCaption.has_value());
  EXPECT_EQ(upgrade.scrollBar, PageContent::ScrollBar::Sync);
}

TEST(WizardLog, ScrollRangeWheelAndDots) {
  EXPECT_EQ(ScrollRangeForLines(40), 26);
  EXPECT_EQ(ScrollRangeForLines(14), 0);
  EXPECT_EQ(ScrollRangeForLines(3), 0);

  struct Case {
    int position, delta, lines;
    std::optional<WheelMove> move;
  } cases[] = {
      {5, 120, 40, WheelMove{4, -1}},  {5, -240, 40, WheelMove{7, 2}}, {0, 120, 40, std::nullopt},
      {40, -120, 40, std::nullopt},    {5, 119, 40, WheelMove{5, 0}},  {26, -120, 40, WheelMove{27, 1}},
  };
  for (const Case& c : cases) EXPECT_EQ(WheelStep(c.position, c.delta, c.lines), c.move) << c.position << " " << c.delta;

  EXPECT_EQ(DotsFrame(0), u" ");
  EXPECT_EQ(DotsFrame(3), u" . . .");
  EXPECT_EQ(DotsFrame(4), u" ");
}

TEST(WizardHover, FocusFollowsThePointerOverTheTitleButtons) {
  using T = TitleSpot;
  struct Case {
    T under, focus;
    std::optional<T> result;
  } cases[] = {
      {T::Minimise, T::Elsewhere, T::Minimise}, {T::Minimise, T::Minimise, std::nullopt},
      {T::Close, T::Minimise, T::Close},        {T::Elsewhere, T::Close, T::Elsewhere},
      {T::Elsewhere, T::Elsewhere, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(HoverFocus(c.under, c.focus), c.result);
}

}  // namespace
}  // namespace brevix
