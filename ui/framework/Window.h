#pragma once
// The window framework: objects bound to windows, one window procedure that routes messages to
// named handlers, controls taken over by subclassing, and modal dialogs from dialog templates
// with a message loop of their own, so that a dialog sees every queued message first.
#include <windows.h>

namespace brevix::framework {

// The module whose resources (templates, bitmaps) the windows use: the program itself.
HINSTANCE ResourceModule();

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const { return hwnd_; }
  // The object bound to a window by this framework, or null.
  static Window* FromHandle(HWND window);

  // Binds this object to an existing window: its messages reach the handlers below first.
  bool Attach(HWND window);
  // Takes over the dialog's button `id` and makes it owner-drawn; false when there is none.
  bool AttachOwnerDrawnButton(HWND dialog, int id);

 protected:
  // Default processing of the message being handled (at most once; later calls repeat the result).
  LRESULT Default();

  // Routes a message to the named handlers; everything unnamed goes to OnMessage.
  virtual LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  virtual LRESULT OnMessage(UINT, WPARAM, LPARAM) { return Default(); }
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual void OnPaint() { Default(); }
  virtual void OnNcPaint() { Default(); }
  virtual LRESULT OnEraseBkgnd(HDC) { return Default(); }
  // `kind` is CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC.
  virtual HBRUSH OnCtlColor(HDC, HWND, int) { return reinterpret_cast<HBRUSH>(Default()); }
  virtual LRESULT OnNcHitTest(POINT) { return Default(); }
  virtual void OnTimer(UINT_PTR) { Default(); }
  virtual void OnLButtonDown(UINT, POINT) { Default(); }
  virtual void OnLButtonUp(UINT, POINT) { Default(); }
  virtual void OnMouseMove(UINT, POINT) { Default(); }
  virtual void OnMouseHover(UINT, POINT) { Default(); }
  virtual void OnMouseLeave() { Default(); }
  virtual bool OnSetCursor(HWND, UINT /*hitTest*/, UINT /*mouseMessage*/) { return Default() != 0; }
  virtual void OnCaptureChanged(HWND) { Default(); }
  virtual void OnVScroll(int /*code*/, int /*position*/, HWND /*bar*/) { Default(); }
  virtual void OnSetFocus(HWND) { Default(); }
  virtual void OnSysCommand(UINT, LPARAM) { Default(); }
  virtual void OnClose() { Default(); }
  virtual void OnDestroy() { Default(); }
  // Owner-drawn controls draw here: the parent's WM_DRAWITEM is reflected to them.
  virtual void DrawItem(const DRAWITEMSTRUCT&) {}

 private:
  struct Current {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool defaulted = false;
    LRESULT result = 0;
  };
  friend LRESULT CALLBACK FrameworkProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  void Detach();

  HWND hwnd_ = nullptr;
  Current* current_ = nullptr;
};

// A modal dialog from a dialog template in the resources.
class Dialog : public Window {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}

  // Runs the dialog until EndDialog. Without an owner the application's main window, else the
  // active window, owns it; the owner is disabled meanwhile. Returns the EndDialog result, or -1
  // when the window cannot be created.
  INT_PTR DoModal(HWND owner = nullptr);
  void EndDialog(INT_PTR result);
  bool Ended() const { return ended_; }

 protected:
  // Called with the controls created. True: the dialog manager gives the first tab stop the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Sees every message of the modal loop before it is dispatched; true swallows it.
  virtual bool PreTranslateMessage(MSG&) { return false; }
  // Once, the first time the modal loop finds its thread's queue empty: the window and its
  // controls painted, nothing posted, sent or typed. Work that can wait goes here.
  virtual void OnFirstIdle() {}
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static INT_PTR CALLBACK BootstrapProc(HWND, UINT, WPARAM, LPARAM);
  void RunModalLoop();
  static bool PreTranslateThroughRunning(MSG& message);

  int templateId_;
  bool ended_ = false;
  bool idleSeen_ = false;
  INT_PTR result_ = -1;
};

}  // namespace brevix::framework
