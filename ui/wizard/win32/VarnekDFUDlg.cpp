#include "ui/wizard/win32/VarnekDFUDlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "data/TextKeys.h"
#include "platform/Text.h"
#include "platform/win32/StartupTrace.h"
#include "platform/win32/WinText.h"
#include "ui/ResourceIds.h"
#include "ui/controls/win32/PopDlg.h"
#include "ui/skin/WizardLayout.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix {
namespace {

using win32::U16;
using win32::W;
using namespace layout;

constexpr DWORD kBitmapStaticStyle = SS_BITMAP | SS_CENTERIMAGE;  // 0x20E

WizardKey KeyOf(WPARAM vk) {
  switch (vk) {
    case VK_TAB: return WizardKey::Tab;
    case VK_RETURN: return WizardKey::Enter;
    case VK_SPACE: return WizardKey::Space;
    case VK_LEFT: return WizardKey::Left;
    case VK_RIGHT: return WizardKey::Right;
    case VK_UP: return WizardKey::Up;
    case VK_DOWN: return WizardKey::Down;
    case VK_PRIOR: return WizardKey::PageUp;
    case VK_NEXT: return WizardKey::PageDown;
    default: return WizardKey::Other;
  }
}

WizardSysKey SysKeyOf(WPARAM vk) {
  switch (vk) {
    case VK_MENU: return WizardSysKey::Alt;
    case VK_SPACE: return WizardSysKey::Space;
    case VK_F10: return WizardSysKey::F10;
    default: return WizardSysKey::Other;
  }
}

void SetText(HWND control, const std::u16string& text) { ::SetWindowTextW(control, W(text)); }

}  // namespace

CVarnekDFUDlg::CVarnekDFUDlg(const WizardServices& services)
    : Dialog(IDD_WIZARD), services_(services), run_(services_.run), texts_(run_.Texts()), model_(texts_) {}

CVarnekDFUDlg::~CVarnekDFUDlg() {
  // What the run's threads still report goes nowhere; the run ends, then nothing reports.
  tasks_.Close();
  run_.Detach();
}

// ---- initialisation ---------------------------------------------------------------------

BOOL CVarnekDFUDlg::OnInitDialog() {
  win32::StartupMark("window and its controls made");
  const HWND self = Handle();
  tasks_.Bind(self);
  run_.Attach(*this, *this);

  // The About entry of the system menu does nothing; it is there as it always was.
  wchar_t about[128] = {};
  if (::LoadStringW(framework::ResourceModule(), IDS_ABOUT, about, 128) > 0) {
    if (HMENU menu = ::GetSystemMenu(self, FALSE)) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(menu, MF_STRING, 0x10, about);
    }
  }
  icon_ = ::LoadIconW(framework::ResourceModule(), MAKEINTRESOURCEW(IDI_APP));
  ::SendMessageW(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageW(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  ::SetWindowLongPtrW(self, GWL_STYLE, ::GetWindowLongPtrW(self, GWL_STYLE) | WS_MINIMIZEBOX);

  PlaceControls();
  skin::MakeTranslucent(self, kWizardAlpha);
  SwapButtons();

  if (CreateFonts()) {
    for (int id : {IDC_TITLE, IDC_HEADING})
      ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), TRUE);
    for (int id : {IDC_SUBTITLE, IDC_LOG, IDC_INTRO_TEXT})
      ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont_.get()), TRUE);
  }
  for (UserButton* button : {&cancelButton_, &nextButton_}) {
    button->SubclassDlgItem(self, button == &cancelButton_ ? IDC_CANCEL_BUTTON : IDC_NEXT_BUTTON);
    button->LoadImages(IDB_WIZARD_BUTTON_NORMAL, IDB_WIZARD_BUTTON_PRESSED, IDB_WIZARD_BUTTON_HIGHLIGHTED,
                       IDB_WIZARD_BUTTON_DISABLED);
    button->font = bodyFont_.get();
    button->textColor = kTextWhite;
    button->alpha = kWizardAlpha;
    button->SetLook(kLookNormal);
  }
  cancelButton_.SetDefaultMarker(kDefaultMarker);  // highlighted, with the focus

  win32::StartupMark("icon, placement, translucency, fonts, buttons");
  minimiseButton_.SubclassDlgItem(self, IDC_MINIMISE_BUTTON);
  minimiseButton_.LoadBitmaps(IDB_MINIMISE_NORMAL, IDB_MINIMISE_PRESSED, IDB_MINIMISE_FOCUSED);
  minimiseButton_.SizeToContent();
  closeButton_.SubclassDlgItem(self, IDC_CLOSE_BUTTON);
  closeButton_.LoadBitmaps(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_FOCUSED);
  closeButton_.SizeToContent();

  ::SetTimer(self, kHoverTimer, kHoverPollMs, nullptr);
  run_.Start();  // an old status file goes; a mailslot that cannot be made is shown here
  skinState_.languageId = services_.languageTableId;

  ::SendMessageW(Log(), EM_FMTLINES, TRUE, 0);
  SetText(Item(IDC_TITLE), texts_.Text(text::kTitle));
  SetText(self, texts_.Text(text::kTitle));
  RECT client{};
  ::GetClientRect(self, &client);
  skin::ClipToRoundedRect(self, client);

  win32::StartupMark("title buttons, mailslot, title, rounded shape");
  // The introduction's picture is loaded when that page first paints: the licence comes up
  // sooner without a second full-window picture to decode. (Decoding on a thread of its own
  // while the window is made was measured slower under Wine: the threads contend.)
  pagePicture_ = skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND);
  win32::StartupMark("page picture decoded");
  panelBrush_ = skin::CreatePanelBrush();
  // The progress bar and the restart choice belong to later pages: they are made once the
  // licence has painted (or when first needed), so the first page comes up sooner.
  CreateScrollBar();
  Run(model_.Start());
  win32::StartupMark("scroll bar, licence page filled");
  ::SetFocus(Item(IDC_TITLE));
  return FALSE;  // the focus is set
}

void CVarnekDFUDlg::PlaceControls() {
  const HWND self = Handle();
  ::SetWindowPos(self, nullptr, 0, 0, kWizardWidth, kWizardHeight, SWP_NOMOVE | SWP_NOZORDER);
  for (const layout::Placement& p : layout::kWizardControls) {
    ::MoveWindow(Item(p.id), p.rect.left, p.rect.top, p.rect.Width(), p.rect.Height(), FALSE);
  }
  for (const auto& [id, corner] : {std::pair{IDC_MINIMISE_BUTTON, layout::kMinimiseButton},
                                   std::pair{IDC_CLOSE_BUTTON, layout::kCloseButton}}) {
    ::SetWindowPos(Item(id), nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
}

bool CVarnekDFUDlg::CreateFonts() {
  if (titleFont_ || bodyFont_) return false;
  titleFont_ = skin::CreateSkinFont(kTitleFontParams);
  bodyFont_ = skin::CreateSkinFont(kBodyFontParams);
  return true;
}

void CVarnekDFUDlg::ReportPreparingFailure() { services_.log.ReportError("0xEE010001", "Preparing"); }

bool CVarnekDFUDlg::CreateProgressBar() {
  progressTrack_ = skin::LoadSkinBitmap(IDB_PROGRESS_TRACK);
  progressFill_ = skin::LoadSkinBitmap(IDB_PROGRESS_FILL);
  const Rect rects[2] = {layout::kProgressTrack, layout::kProgressFill};
  HBITMAP pictures[2] = {progressTrack_.get(), progressFill_.get()};
  for (int i = 0; i < 2; ++i) {
    const Rect& r = rects[i];
    progressStatics_[i] =
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | kBitmapStaticStyle, r.left, r.top, r.Width(), r.Height(),
                          Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS_STATIC)),
                          framework::ResourceModule(), nullptr);
    if (!progressStatics_[i]) {
      ReportPreparingFailure();
      return false;
    }
    ::SendMessageW(progressStatics_[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(pictures[i]));
    ::MoveWindow(progressStatics_[i], r.left, r.top, r.Width(), r.Height(), FALSE);
  }
  return true;
}

bool CVarnekDFUDlg::CreateScrollBar() {
  if (scrollBar_.Handle()) return false;
  const Rect& bar = layout::kScrollBar;
  ::MoveWindow(Item(IDC_SCROLL_PLACE), bar.left, bar.top, bar.Width(), bar.Height(), TRUE);
  if (!scrollBar_.CreateOverPlaceholder(Handle())) return false;
  const int range = ScrollRangeForLines(LogLineCount());
  scrollBar_.SetRange(range);
  scrollBar_.SetPositionField(range);
  scrollBar_.UpdateThumbFromPosition();
  ::InvalidateRect(scrollBar_.Handle(), nullptr, TRUE);
  return true;
}

bool CVarnekDFUDlg::CreateRestartChoice(HFONT font, const std::u16string& question, const std::u16string& first,
                                        const std::u16string& second) {
  const HWND self = Handle();
  const std::u16string* texts[2] = {&first, &second};
  HBITMAP pictures[2] = {nullptr, nullptr};
  choiceChosen_ = skin::LoadSkinBitmap(IDB_CHOICE_CHOSEN);
  choiceNotChosen_ = skin::LoadSkinBitmap(IDB_CHOICE_NOT_CHOSEN);
  pictures[0] = choiceChosen_.get();
  pictures[1] = choiceNotChosen_.get();
  for (int i = 0; i < 2; ++i) {
    const int id = i == 0 ? IDC_RESTART_NOW : IDC_RESTART_LATER;
    const int top = kChoiceTop + kChoiceRowStep * i;
    choicePictures_[i] = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | kBitmapStaticStyle | SS_NOTIFY, kChoiceLeft, top,
                                           kChoicePictureSize, kChoiceRowHeight, self,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), framework::ResourceModule(),
                                           nullptr);
    if (!choicePictures_[i]) {
      ReportPreparingFailure();
      return false;
    }
    ::SendMessageW(choicePictures_[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(pictures[i]));
    ::MoveWindow(choicePictures_[i], kChoiceLeft, top, kChoicePictureSize, kChoiceRowHeight, FALSE);
    choiceTexts_[i] = ::CreateWindowExW(0, L"STATIC", W(*texts[i]), WS_CHILD | SS_LEFT | SS_NOTIFY,
                                        kChoiceLeft + kChoiceTextGap, top, kChoiceTextWidth, kChoiceRowHeight, self,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), framework::ResourceModule(),
                                        nullptr);
    if (!choiceTexts_[i]) {
      ReportPreparingFailure();
      return false;
    }
    ::SendMessageW(choiceTexts_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  restartQuestion_ = Item(IDC_RESTART_QUESTION);
  if (!restartQuestion_) return false;
  ::SendMessageW(restartQuestion_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const Rect& place = layout::kRestartQuestion;
  ::MoveWindow(restartQuestion_, place.left, place.top, place.Width(), place.Height(), TRUE);
  SetText(restartQuestion_, question);
  ::ShowWindow(restartQuestion_, SW_HIDE);
  // Each frame encloses its picture and text.
  for (int i = 0; i < 2; ++i) {
    const int top = kChoiceTop + kChoiceRowStep * i;
    skinState_.choiceFrames[i] =
        Rect{kChoiceLeft - kChoiceFrameMargin, top - kChoiceFrameMargin,
             kChoiceLeft + kChoiceTextGap + kChoiceTextWidth + kChoiceFrameMargin, top + kChoiceRowHeight + kChoiceFrameMargin};
  }
  return true;
}

// ---- pages and buttons ----------------------------------------------------------------------

void CVarnekDFUDlg::ShowPage(int page) {
  const PageContent content = PageFor(page, texts_);
  skinState_.pageBackground = content.pageBackground;
  skinState_.textBoxStyle = content.textBoxStyle;
  if (content.heading) SetText(Item(IDC_HEADING), *content.heading);
  if (content.subtitle) SetText(Item(IDC_SUBTITLE), *content.subtitle);
  if (content.log) SetText(Log(), *content.log);
  if (content.introText) SetText(Item(IDC_INTRO_TEXT), *content.introText);
  if (content.nextCaption) nextButton_.SetCaption(W(*content.nextCaption));
  if (content.cancelCaption) cancelButton_.SetCaption(W(*content.cancelCaption));
  switch (content.scrollBar) {
    case PageContent::ScrollBar::SyncShow:
      SyncScrollBar();
      scrollBar_.SetShown(true);
      break;
    case PageContent::ScrollBar::Hide:
      scrollBar_.SetShown(false);
      break;
    case PageContent::ScrollBar::Sync:
      SyncScrollBar();
      break;
  }
}

void CVarnekDFUDlg::SwapButtons() {
  const HWND next = Item(IDC_NEXT_BUTTON), cancel = Item(IDC_CANCEL_BUTTON);
  if (!swapRectsTaken_) {
    for (auto [i, button] : {std::pair{0, next}, std::pair{1, cancel}}) {
      ::GetWindowRect(button, &swapRects_[i]);
      ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&swapRects_[i]), 2);
    }
    swapRectsTaken_ = true;
  } else {
    std::swap(swapRects_[0], swapRects_[1]);
  }
  const RECT& r1 = swapRects_[0];
  const RECT& r2 = swapRects_[1];
  ::MoveWindow(next, r2.left, r2.top, r2.right - r2.left, r2.bottom - r2.top, FALSE);
  ::MoveWindow(cancel, r1.left, r1.top, r1.right - r1.left, r1.bottom - r1.top, FALSE);
}

void CVarnekDFUDlg::Run(const WizardEffects& effects) {
  using E = WizardEffect;
  for (const E& e : effects) {
    switch (e.kind) {
      case E::Consent:
        run_.Consent(e.consent);
        break;
      case E::Back:
        run_.Back();
        break;
      case E::Quit:
        run_.Quit();
        break;
      case E::Finish:
        run_.Finish();
        break;
      case E::ChooseRestart:
        run_.ChooseRestart(e.restartNow);
        break;
      case E::ShowPage:
        ShowPage(e.page);
        break;
      case E::SetLook:
        ButtonOf(e.button).SetLook(e.look);
        break;
      case E::SetDefaultMarker:
        ButtonOf(e.button).SetDefaultMarker(e.marker);
        break;
      case E::HideNext:
        ::ShowWindow(nextButton_.Handle(), SW_HIDE);
        break;
      case E::SwapButtons:
        SwapButtons();
        break;
      case E::SetCaption:
        ButtonOf(e.button).SetCaption(W(e.text));
        break;
      case E::ShowSubtitle:
        ::ShowWindow(Item(IDC_SUBTITLE), SW_SHOW);
        break;
      case E::ShowProgress:
        CreateLaterControls();
        SetProgress(true, 0.0f);
        break;
      case E::HideProgress:
        SetProgress(false, 0.0f);
        break;
      case E::FocusLog:
        ::SetFocus(Log());
        break;
      case E::InvalidateWindow:
        ::InvalidateRect(Handle(), nullptr, e.erase ? TRUE : FALSE);
        break;
      case E::InvalidateCancel:
        ::InvalidateRect(cancelButton_.Handle(), nullptr, FALSE);
        break;
      case E::OpenQuitPopup:
        RunQuitPopup();
        model_.QuitPopupClosed();
        break;
      case E::AppendText:
        AppendText(e.text);
        break;
      case E::ShowRestartChoice:
        ShowRestartChoice();
        break;
      case E::SetChoicePictures: {
        HBITMAP chosen = choiceChosen_.get(), other = choiceNotChosen_.get();
        ::SendMessageW(choicePictures_[0], STM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(e.choice == 0 ? chosen : other));
        ::SendMessageW(choicePictures_[1], STM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(e.choice == 1 ? chosen : other));
        break;
      }
      case E::DrawChoiceFrames:
        DrawChoiceFrames(e.choice);
        break;
      case E::PostPaint:
        ::PostMessageW(Handle(), WM_PAINT, 0, 0);
        break;
    }
  }
}

void CVarnekDFUDlg::RunQuitPopup() {
  PopDlg popup;
  popup.titleText = W(texts_.Text(text::kQuit));
  popup.messageText = W(texts_.Text(text::kQuitQuestion));
  popup.yesText = W(texts_.Text(text::kYes));
  popup.noText = W(texts_.Text(text::kNo));
  popup.closeText = W(texts_.Text(text::kClose));
  if (titleFont_ && bodyFont_) {
    popup.titleFont = titleFont_.get();
    popup.bodyFont = bodyFont_.get();
  }
  popup.DoModal(Handle());
}

// ---- the finish page ------------------------------------------------------------------------

void CVarnekDFUDlg::FinishUpgrade(bool allLatest) {
  tasks_.RunPending();  // what the worker reported comes first
  CreateLaterControls();
  Run(model_.FinishUpgrade(allLatest));
}

void CVarnekDFUDlg::ShowRestartChoice() {
  HWND controls[5] = {restartQuestion_, choicePictures_[0], choiceTexts_[0], choicePictures_[1], choiceTexts_[1]};
  if (std::any_of(std::begin(controls), std::end(controls), [](HWND h) { return h == nullptr; })) return;
  for (HWND h : controls) ::ShowWindow(h, SW_SHOW);
}

void CVarnekDFUDlg::DrawChoiceFrames(int focus) {
  skinState_.choiceFocus = focus;
  // Erase first, so that the frame drawn last is never covered.
  for (int i = 0; i < 2; ++i)
    if (i != focus) skin::DrawChoiceFrame(Handle(), false, skinState_.choiceFrames[i]);
  if (focus == 0 || focus == 1) skin::DrawChoiceFrame(Handle(), true, skinState_.choiceFrames[focus]);
}

// ---- the log, the dots and the progress bar ------------------------------------------------

int CVarnekDFUDlg::LogLineCount() const { return int(::SendMessageW(Log(), EM_GETLINECOUNT, 0, 0)); }

int CVarnekDFUDlg::LogEnd() const {
  // Positions in the control's own text: soft line breaks (EM_FMTLINES) are not counted.
  ::SendMessageW(Log(), EM_SETSEL, 0, -1);
  DWORD end = 0;
  ::SendMessageW(Log(), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
  return int(end);
}

void CVarnekDFUDlg::ScrollLogToEnd() {
  const int end = LogEnd();
  ::SendMessageW(Log(), EM_SETSEL, end, end);
  ::SendMessageW(Log(), EM_SCROLLCARET, 0, 0);
}

void CVarnekDFUDlg::AppendText(const std::u16string& text) {
  const int end = LogEnd();
  ::SendMessageW(Log(), EM_SETSEL, end, end);
  ::SendMessageW(Log(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(text)));
  ScrollLogToEnd();
}

void CVarnekDFUDlg::CloseStep(const std::u16string& result) {
  if (dotsStart_ == -1) return;  // no step runs: nothing to close
  ::KillTimer(Handle(), kDotsTimer);
  ::SendMessageW(Log(), EM_SETSEL, dotsStart_, LogEnd());
  ::SendMessageW(Log(), EM_SCROLLCARET, 0, 0);
  ::SendMessageW(Log(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(result)));
  dotsStart_ = -1;
}

void CVarnekDFUDlg::StartStepDots() {
  dotsStart_ = -1;
  ::KillTimer(Handle(), kDotsTimer);
  DotsTick();
  ::SetTimer(Handle(), kDotsTimer, kDotsPeriodMs, nullptr);
}

void CVarnekDFUDlg::DotsTick() {
  if (dotsStart_ == -1) {
    dotsStart_ = LogEnd();
    dotStep_ = 0;
  }
  ::SendMessageW(Log(), EM_SETSEL, dotsStart_, LogEnd());
  ::SendMessageW(Log(), EM_SCROLLCARET, 0, 0);
  const std::u16string frame(DotsFrame(dotStep_));
  ::SendMessageW(Log(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(frame)));
  dotStep_ = (dotStep_ + 1) % 4;
}

void CVarnekDFUDlg::SetProgress(bool show, float fraction) {
  if (!progressStatics_[0] || !progressStatics_[1]) return;
  for (HWND control : progressStatics_) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  RECT fill{layout::kProgressFill.left, layout::kProgressFill.top, layout::kProgressFill.right,
            layout::kProgressFill.bottom};
  fill.right = fill.left + static_cast<int>(float(layout::kProgressFill.Width()) * fraction);
  ::MoveWindow(progressStatics_[1], fill.left, fill.top, fill.right - fill.left, fill.bottom - fill.top, FALSE);
  for (HWND control : progressStatics_) ::InvalidateRect(control, nullptr, FALSE);
}

void CVarnekDFUDlg::SyncScrollBar() {
  if (!scrollBar_.Handle()) return;
  scrollBar_.SetRange(ScrollRangeForLines(LogLineCount()));
  scrollBar_.SetPositionField(0);
  scrollBar_.UpdateThumbFromPosition();
  ::InvalidateRect(scrollBar_.Handle(), nullptr, TRUE);
}

void CVarnekDFUDlg::WheelOverLog(int delta) {
  if (!scrollBar_.Handle()) return;
  if (const auto move = WheelStep(scrollBar_.Position(), delta, LogLineCount())) {
    scrollBar_.SetPosition(move->position);
    ::SendMessageW(Log(), EM_LINESCROLL, 0, move->scrollLines);
  }
}

// ---- the run's events and timers -------------------------------------------------------------

void CVarnekDFUDlg::OnUiThread(std::function<void()> call) {
  if (tasks_.OnOwnerThread()) {
    tasks_.RunPending();  // keep the order of what other threads reported before
    call();
  } else {
    tasks_.Post(std::move(call));
  }
}

void CVarnekDFUDlg::Emit(SessionEvent event) {
  OnUiThread([this, event = std::move(event)] { Show(event); });
}

void CVarnekDFUDlg::Show(const SessionEvent& event) {
  using Kind = SessionEvent::Kind;
  switch (event.kind) {
    case Kind::Text:
      AppendText(event.text);
      break;
    case Kind::StepStarted:
      StartStepDots();
      break;
    case Kind::StepEnded:
      CloseStep(event.text);
      break;
    case Kind::Progress:
      SetProgress(true, float(event.percent) / 100.0f);
      break;
    case Kind::ChecksDone:
      SyncScrollBar();
      Run(model_.ChecksFinished(event.allLatest));
      break;
    case Kind::StageStarted:
      // A log-off or shutdown asks first; during the stage the answer is no, with the reason.
      ::ShutdownBlockReasonCreate(Handle(), W(texts_.Text(text::kUpgradeSubtitle)));
      break;
    case Kind::StageEnded:
      ::ShutdownBlockReasonDestroy(Handle());
      FinishUpgrade(event.allLatest);
      break;
    case Kind::RunEnded:
      if (Handle()) EndDialog(IDCANCEL);
      break;
    case Kind::FailureBox:
      ::MessageBoxW(Handle(), W(event.text), W(services_.applicationName), MB_OK);
      break;
  }
}

Scheduler::Timer CVarnekDFUDlg::Schedule(std::uint32_t ms, std::function<void()> task, bool repeats) {
  const UINT_PTR id = nextTimer_++;
  if (!::SetTimer(Handle(), id, ms, nullptr)) return kNoTimer;
  scheduled_[id] = ScheduledTask{std::move(task), repeats};
  return Timer(id);
}

void CVarnekDFUDlg::Cancel(Timer timer) {
  if (scheduled_.erase(UINT_PTR(timer)) != 0) ::KillTimer(Handle(), UINT_PTR(timer));
}

// ---- messages ---------------------------------------------------------------------------------

bool CVarnekDFUDlg::PreTranslateMessage(MSG& message) {
  const HWND self = Handle();
  if (!self) return false;
  FilterResult result;
  switch (message.message) {
    case WM_KEYDOWN: {
      const KeyContext context{{nextButton_.Look(), nextButton_.DefaultMarker()},
                               {cancelButton_.Look(), cancelButton_.DefaultMarker()},
                               ::GetFocus() == Log(),
                               choicePictures_[0] && ::IsWindowVisible(choicePictures_[0])};
      result = model_.KeyDown(KeyOf(message.wParam), context);
      break;
    }
    case WM_SYSKEYDOWN:
      result = model_.SysKeyDown(SysKeyOf(message.wParam));
      break;
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return true;
    case WM_SYSCOMMAND:
      if ((message.wParam & 0xFFF0) != SC_CLOSE) return false;
      result = model_.PostedClose();
      break;
    case WM_MOUSEWHEEL:
      if (model_.WheelScrollsLog()) WheelOverLog(GET_WHEEL_DELTA_WPARAM(message.wParam));
      return false;
    default:
      return false;
  }
  Run(result.effects);
  return result.verdict == FilterVerdict::Swallow;
}

bool CVarnekDFUDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_NEXT_BUTTON:
      if (code == BN_CLICKED) Run(model_.NextButton());
      return true;
    case IDC_CANCEL_BUTTON:
      if (code == BN_CLICKED) Run(model_.CancelButton());
      return true;
    case IDC_CLOSE_BUTTON:
      if (code == BN_CLICKED) Run(model_.ConfirmQuit());
      return true;
    case IDC_MINIMISE_BUTTON:
      if (code == BN_CLICKED) ::PostMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return true;
    case IDC_RESTART_NOW:
      if (code == STN_CLICKED) Run(model_.SelectRestartNow());
      return true;
    case IDC_RESTART_LATER:
      if (code == STN_CLICKED) Run(model_.SelectRestartLater());
      return true;
    case IDC_LOG:
      if (code == EN_VSCROLL && scrollBar_.Handle()) {
        scrollBar_.SetPositionField(int(::SendMessageW(Log(), EM_GETFIRSTVISIBLELINE, 0, 0)));
        scrollBar_.UpdateThumbFromPosition();
        ::InvalidateRect(scrollBar_.Handle(), nullptr, TRUE);
        return true;
      }
      if (code == EN_SETFOCUS) {
        if (model_.PageStateValue() == kStateLicence) {
          // The licence jumps to its end once per run.
          if (!licenceCaretJumped_) ScrollLogToEnd();
          licenceCaretJumped_ = true;
          return true;
        }
        ScrollLogToEnd();
        SyncScrollBar();
        return true;
      }
      return false;
    default:
      (void)control;
      return false;
  }
}

LRESULT CVarnekDFUDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == framework::TaskQueue::Message()) {
    tasks_.RunPending();
    return 0;
  }
  if (message == WM_QUERYDRAGICON) return reinterpret_cast<LRESULT>(icon_);
  if (message == WM_QUERYENDSESSION && run_.StageRunning()) return FALSE;
  if (message == WM_POWERBROADCAST) {
    run_.PowerChanged();  // a firmware step waiting for the adapter looks again at once
    return Default();
  }
  if (message == WM_ENDSESSION && wParam && run_.StageRunning()) {
    run_.SessionEnding();  // forced: the process goes now
    return 0;
  }
  return Dialog::OnMessage(message, wParam, lParam);
}

void CVarnekDFUDlg::CreateLaterControls() {
  if (laterControlsMade_) return;
  laterControlsMade_ = true;
  const HWND self = Handle();
  CreateProgressBar();
  model_.SetRestartChoiceAvailable(CreateRestartChoice(bodyFont_.get(), texts_.Text(text::kRestartQuestion),
                                                       texts_.Text(text::kRestartNow), texts_.Text(text::kRestartLater)));
  skin::FitChoiceFrame(self, choiceTexts_[0], choiceTexts_[0], choiceTexts_[1], skinState_);
  skin::FitChoiceFrame(self, choiceTexts_[1], choiceTexts_[0], choiceTexts_[1], skinState_);
}

void CVarnekDFUDlg::OnPaint() {
  skin::PageArt art;
  if (skinState_.pageBackground == kIntroBackgroundImage && !introPicture_) {
    introPicture_ = skin::LoadSkinBitmap(IDB_INTRO_BACKGROUND);
  }
  art.background = skinState_.pageBackground == kIntroBackgroundImage ? introPicture_.get() : pagePicture_.get();
  art.buttons[0] = nextButton_.Handle();
  art.buttons[1] = cancelButton_.Handle();
  art.icon = icon_;
  if (skin::PaintPage(Handle(), skinState_, art) == skin::PagePaintResult::NoDrawingContext) ReportPreparingFailure();
  win32::StartupMark("first paint of the page done");
  pagePainted_ = true;
}

// A frame change repaints the page; before the page's first paint there is nothing to redo
// (the first showing would otherwise paint the whole page twice).
void CVarnekDFUDlg::OnNcPaint() {
  if (pagePainted_) ::PostMessageW(Handle(), WM_PAINT, 0, 0);
}

void CVarnekDFUDlg::OnFirstIdle() {
  win32::EndStartupTrace("licence page and its controls painted, nothing queued");
  CreateLaterControls();
}

HBRUSH CVarnekDFUDlg::OnCtlColor(HDC dc, HWND control, int kind) {
  const HBRUSH fallback = reinterpret_cast<HBRUSH>(Default());
  return skin::ApplyControlColour(dc, kind, control, skinState_.textBoxStyle, fallback, panelBrush_.get());
}

void CVarnekDFUDlg::OnTimer(UINT_PTR id) {
  if (const auto found = scheduled_.find(id); found != scheduled_.end()) {
    // The task may schedule or cancel timers, its own among them: it runs from a copy.
    std::function<void()> task = found->second.task;
    if (!found->second.repeats) {
      ::KillTimer(Handle(), id);
      scheduled_.erase(found);
    }
    task();
    return;
  }
  switch (id) {
    case kHoverTimer:
      HoverTick();
      break;
    case kDotsTimer:
      DotsTick();
      break;
    default:
      break;
  }
  Default();
}

void CVarnekDFUDlg::HoverTick() {
  POINT at{};
  if (!::GetCursorPos(&at)) return;
  const HWND under = ::WindowFromPoint(at);
  const HWND focus = ::GetFocus();
  auto spot = [&](HWND w) {
    if (w && w == minimiseButton_.Handle()) return TitleSpot::Minimise;
    if (w && w == closeButton_.Handle()) return TitleSpot::Close;
    return TitleSpot::Elsewhere;
  };
  if (const auto target = HoverFocus(spot(under), spot(focus))) {
    switch (*target) {
      case TitleSpot::Minimise: ::SetFocus(minimiseButton_.Handle()); break;
      case TitleSpot::Close: ::SetFocus(closeButton_.Handle()); break;
      case TitleSpot::Elsewhere: ::SetFocus(Item(IDC_TITLE)); break;
    }
  }
}

void CVarnekDFUDlg::OnLButtonDown(UINT, POINT at) {
  // Any free spot drags the borderless window.
  ::SendMessageW(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
  Default();
}

void CVarnekDFUDlg::OnVScroll(int, int, HWND bar) {
  if (!bar || bar != scrollBar_.Handle()) return;  // only the skinned bar steers the log
  const int first = int(::SendMessageW(Log(), EM_GETFIRSTVISIBLELINE, 0, 0));
  ::SendMessageW(Log(), EM_LINESCROLL, 0, scrollBar_.Position() - first);
  Default();
}

void CVarnekDFUDlg::OnSetFocus(HWND) { ::SetFocus(Item(IDC_TITLE)); }

void CVarnekDFUDlg::OnSysCommand(UINT command, LPARAM) {
  const UINT kind = command & 0xFFF0;
  if (kind == 0x10 || kind == SC_CLOSE) return;  // About, and a close that bypasses the confirmation
  Default();
}

// Handled here rather than by the default procedure, which would post a cancel command that
// comes after the quit confirmation has closed.
void CVarnekDFUDlg::OnClose() { Run(model_.CloseRequest()); }

void CVarnekDFUDlg::OnCancel() { Run(model_.CloseRequest()); }

void CVarnekDFUDlg::OnDestroy() {
  Default();
  for (unsigned id : {kHoverTimer, kDotsTimer}) ::KillTimer(Handle(), id);
  for (const auto& [id, task] : scheduled_) ::KillTimer(Handle(), id);
  scheduled_.clear();
}

}  // namespace brevix
