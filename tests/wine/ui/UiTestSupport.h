#pragma once
// Helpers for the in-process UI tests: the wizard's window class, a host dialog made from
// template 102 that records what its children tell it, message pumping and pixel reading.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ResourceIds.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/Window.h"
#include "ui/controls/win32/PopDlg.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix::uitest {

// The quit confirmation's English texts, as the wizard hands them to the popup.
inline void SetEnglishQuitTexts(PopDlg& popup) {
  popup.messageText = L"Do you want to quit?";
  popup.titleText = L"Quit";
  popup.yesText = L"Yes";
  popup.noText = L"No";
  popup.closeText = L"Close";
}

// Start-up registers the wizard's class as the dialog class under the product's name.
inline bool RegisterWizardClass() {
  WNDCLASSW wc{};
  if (!::GetClassInfoW(nullptr, L"#32770", &wc)) return false;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Varnek\u00AE Brevix Upgrade Tool App Class Name";
  return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Runs posted and sent messages (timers included) for about `ms` milliseconds.
inline void PumpFor(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const DWORD now = ::GetTickCount();
    if (LONG(end - now) <= 0) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

struct VScroll {
  int code;
  int position;
  HWND bar;
};

// The wizard template as a plain host: no skin of its own, children reflected by the framework.
class HostDialog : public framework::Window {
 public:
  HostDialog() {
    RegisterWizardClass();
    const HWND dialog = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WIZARD), nullptr,
                                             &PassProc, 0);
    Attach(dialog);
    ::SetWindowPos(dialog, nullptr, 20, 20, 733, 549, SWP_NOZORDER);
    ::SetWindowTextW(dialog, L"Brevix UI test host");
  }
  ~HostDialog() override {
    if (Handle()) ::DestroyWindow(Handle());
  }
  HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }

  std::vector<VScroll> vscrolls;
  std::vector<int> commands;
  int closeRequests = 0;

 protected:
  void OnVScroll(int code, int position, HWND bar) override { vscrolls.push_back({code, position, bar}); }
  bool OnCommand(int id, int, HWND) override {
    commands.push_back(id);
    return true;
  }
  // Recorded, not acted upon: the host stays open.
  void OnClose() override { ++closeRequests; }

 private:
  static INT_PTR CALLBACK PassProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
};

inline COLORREF PixelOfBitmap(int id, int x, int y) {
  const framework::BitmapHandle image = skin::LoadSkinBitmap(id);
  framework::MemoryDC dc(nullptr);
  framework::Selection selected(dc.get(), image.get());
  return ::GetPixel(dc.get(), x, y);
}

inline COLORREF PixelOfWindow(HWND window, int x, int y) {
  framework::WindowDC dc(window);
  return ::GetPixel(dc.get(), x, y);
}

inline bool Near(COLORREF a, COLORREF b, int tolerance) {
  auto d = [](int p, int q) { return p > q ? p - q : q - p; };
  return d(GetRValue(a), GetRValue(b)) <= tolerance && d(GetGValue(a), GetGValue(b)) <= tolerance &&
         d(GetBValue(a), GetBValue(b)) <= tolerance;
}

inline RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace brevix::uitest
