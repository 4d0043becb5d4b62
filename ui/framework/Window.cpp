#include "ui/framework/Window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>
#include <vector>

#include "ui/framework/Trace.h"

namespace brevix::framework {
namespace {

constexpr UINT_PTR kSubclassId = 0x42525658;  // "BRVX"

// Modal dialogs running on this thread, innermost last.
thread_local std::vector<Dialog*> gRunning;

// Centres a dialog over its owner (or its monitor's work area), kept inside that work area.
void CentreWindow(HWND window) {
  RECT self{}, area{};
  ::GetWindowRect(window, &self);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  area = monitor.rcWork;
  RECT around = area;
  const HWND owner = ::GetWindow(window, GW_OWNER);
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
  const int w = self.right - self.left, h = self.bottom - self.top;
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;
  if (x + w > area.right) x = area.right - w;
  if (y + h > area.bottom) y = area.bottom - h;
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HINSTANCE ResourceModule() { return ::GetModuleHandleW(nullptr); }

bool Window::AttachOwnerDrawnButton(HWND dialog, int id) {
  const HWND button = ::GetDlgItem(dialog, id);
  if (!button || !Attach(button)) return false;
  // Owner-drawn is a button type, not a flag: replace the type bits.
  const LONG style = ::GetWindowLongW(button, GWL_STYLE);
  ::SetWindowLongW(button, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  return true;
}

// The one window procedure of the framework: finds the object, routes the message, and never
// lets an exception reach the system.
LRESULT CALLBACK FrameworkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  Window* self = reinterpret_cast<Window*>(ref);
  Window::Current current{message, wParam, lParam};
  Window::Current* outer = std::exchange(self->current_, &current);
  LRESULT result = 0;
  try {
    result = self->Dispatch(message, wParam, lParam);
  } catch (...) {
    TraceSwallowedException("a window procedure");
    result = current.defaulted ? current.result : ::DefSubclassProc(hwnd, message, wParam, lParam);
  }
  self->current_ = outer;
  if (message == WM_NCDESTROY) self->Detach();
  return result;
}

Window::~Window() { Detach(); }

Window* Window::FromHandle(HWND window) {
  DWORD_PTR ref = 0;
  if (window && ::GetWindowSubclass(window, FrameworkProc, kSubclassId, &ref)) return reinterpret_cast<Window*>(ref);
  return nullptr;
}

bool Window::Attach(HWND window) {
  if (hwnd_ || !window || FromHandle(window)) return false;
  if (!::SetWindowSubclass(window, FrameworkProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
  hwnd_ = window;
  return true;
}

void Window::Detach() {
  if (hwnd_) ::RemoveWindowSubclass(hwnd_, FrameworkProc, kSubclassId);
  hwnd_ = nullptr;
}

LRESULT Window::Default() {
  if (!current_ || !hwnd_) return 0;
  if (!current_->defaulted) {
    current_->result = ::DefSubclassProc(hwnd_, current_->message, current_->wParam, current_->lParam);
    current_->defaulted = true;
  }
  return current_->result;
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // Handlers without a result of their own answer what the default processing answered, or 0.
  auto done = [this] { return current_ && current_->defaulted ? current_->result : 0; };
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
      return Default();
    case WM_PAINT:
      OnPaint();
      return done();
    case WM_NCPAINT:
      OnNcPaint();
      return done();
    case WM_ERASEBKGND:
      return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                                  int(message - WM_CTLCOLORMSGBOX)));
    case WM_NCHITTEST:
      return OnNcHitTest(pt);
    case WM_TIMER:
      OnTimer(wParam);
      return done();
    case WM_LBUTTONDOWN:
      OnLButtonDown(UINT(wParam), pt);
      return done();
    case WM_LBUTTONUP:
      OnLButtonUp(UINT(wParam), pt);
      return done();
    case WM_MOUSEMOVE:
      OnMouseMove(UINT(wParam), pt);
      return done();
    case WM_MOUSEHOVER:
      OnMouseHover(UINT(wParam), pt);
      return done();
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return done();
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)) ? TRUE : FALSE;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lParam));
      return done();
    case WM_VSCROLL:
      OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return done();
    case WM_SETFOCUS:
      OnSetFocus(reinterpret_cast<HWND>(wParam));
      return done();
    case WM_SYSCOMMAND:
      OnSysCommand(UINT(wParam), lParam);
      return done();
    case WM_CLOSE:
      OnClose();
      return done();
    case WM_DESTROY:
      OnDestroy();
      return done();
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlType != ODT_MENU) {
        if (Window* control = FromHandle(item->hwndItem)) {
          control->DrawItem(*item);
          return TRUE;
        }
      }
      return Default();
    }
    default:
      return OnMessage(message, wParam, lParam);
  }
}

// ---- Dialog ---------------------------------------------------------------------------------

INT_PTR CALLBACK Dialog::BootstrapProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  // Everything after WM_INITDIALOG reaches the object through FrameworkProc first; the
  // dialog manager's own processing is the default.
  if (message != WM_INITDIALOG) return FALSE;
  auto* self = reinterpret_cast<Dialog*>(lParam);
  if (!self || !self->Attach(hwnd)) return TRUE;
  RECT before{};
  ::GetWindowRect(hwnd, &before);
  BOOL result = TRUE;
  try {
    result = self->OnInitDialog();
  } catch (...) {
    TraceSwallowedException("OnInitDialog");
    self->EndDialog(-1);
  }
  RECT after{};
  ::GetWindowRect(hwnd, &after);
  // A dialog its initialisation did not move opens centred on its owner.
  if (::IsWindow(hwnd) && before.left == after.left && before.top == after.top) CentreWindow(hwnd);
  return result;
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (Handle()) return -1;  // already running
  if (!owner) owner = ::GetActiveWindow();
  if (owner) owner = ::GetAncestor(owner, GA_ROOT);

  ended_ = false;
  result_ = -1;
  const HWND window = ::CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), owner, BootstrapProc,
                                           reinterpret_cast<LPARAM>(this));
  if (!window) return -1;
  const bool ownerDisabled = owner && ::IsWindowEnabled(owner);
  if (ownerDisabled) ::EnableWindow(owner, FALSE);

  if (!ended_ && Handle()) ::ShowWindow(window, SW_SHOWNORMAL);
  gRunning.push_back(this);
  RunModalLoop();
  gRunning.pop_back();

  // Hide first and give the owner back its activation before the window goes.
  if (::IsWindow(window))
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (ownerDisabled) ::EnableWindow(owner, TRUE);
  if (owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
  if (::IsWindow(window)) ::DestroyWindow(window);
  return result_;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // Wakes the loop when the call comes from outside it (a nested loop, another window).
  if (Handle()) ::PostMessageW(Handle(), WM_NULL, 0, 0);
}

void Dialog::RunModalLoop() {
  MSG msg;
  while (!ended_ && Handle()) {
    if (!idleSeen_ && HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0) {
      idleSeen_ = true;
      try {
        OnFirstIdle();
      } catch (...) {
        TraceSwallowedException("OnFirstIdle");
      }
      continue;  // what it did may have queued messages
    }
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(int(msg.wParam));  // the outer loop must see it too
      break;
    }
    if (got == -1) break;
    if (PreTranslateThroughRunning(msg)) continue;
    if (Handle() && ::IsDialogMessageW(Handle(), &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (!ended_) result_ = IDCANCEL;
}

bool Dialog::PreTranslateThroughRunning(MSG& message) {
  // The innermost dialog first; what it passes, the dialogs around it may still take.
  for (auto it = gRunning.rbegin(); it != gRunning.rend(); ++it) {
    try {
      if ((*it)->PreTranslateMessage(message)) return true;
    } catch (...) {
      TraceSwallowedException("PreTranslateMessage");
    }
  }
  return false;
}

LRESULT Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
    if (id == IDOK) {
      OnOK();
      return 0;
    }
    if (id == IDCANCEL) {
      OnCancel();
      return 0;
    }
    return Default();
  }
  return Window::Dispatch(message, wParam, lParam);
}

}  // namespace brevix::framework
