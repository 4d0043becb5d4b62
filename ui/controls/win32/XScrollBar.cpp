#include "ui/controls/win32/XScrollBar.h"

#include <string>

#include "ui/ResourceIds.h"
#include "ui/skin/win32/MemDC.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix {

bool CXScrollBar::CreateOverPlaceholder(HWND dialog) {
  if (Handle()) return false;
  owner_ = dialog;
  const HWND placeholder = ::GetDlgItem(dialog, IDC_SCROLL_PLACE);
  if (!placeholder) return false;  // nowhere to stand
  RECT place{};
  ::GetWindowRect(placeholder, &place);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  ::ShowWindow(placeholder, SW_HIDE);
  LoadHandCursor();
  const HWND bar = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_CENTER, place.left,
                                     place.top, place.right - place.left, place.bottom - place.top, dialog,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCROLL_BAR)),
                                     framework::ResourceModule(), nullptr);
  if (!bar) return false;
  // Without the reference image the geometry means nothing: no bar rather than a wrong one.
  const framework::BitmapHandle reference = skin::LoadSkinBitmap(IDB_SCROLL_REFERENCE);
  if (!reference || !Attach(bar)) {
    ::DestroyWindow(bar);
    return false;
  }
  const SIZE size = skin::BitmapSize(reference.get());
  RECT client{};
  ::GetClientRect(bar, &client);
  model_.Create({client.left, client.top, client.right, client.bottom}, size.cx, size.cy);
  return true;
}

void CXScrollBar::LoadHandCursor() {
  if (handCursor_) return;
  handCursor_ = ::LoadCursorW(nullptr, IDC_HAND);
  if (handCursor_) return;
  wchar_t directory[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const std::wstring path = std::wstring(directory, length) + L"\\winhlp32.exe";
  if (HMODULE module = ::LoadLibraryW(path.c_str())) {
    if (HCURSOR cursor = ::LoadCursorW(module, MAKEINTRESOURCEW(106))) {
      ownHandCursor_.reset(static_cast<HCURSOR>(::CopyIcon(cursor)));
      handCursor_ = ownHandCursor_.get();
    }
    ::FreeLibrary(module);
  }
}

void CXScrollBar::SetRange(int range) {
  ScrollSteps steps;
  model_.SetRange(range, steps);
  Execute(steps);
}

int CXScrollBar::SetPosition(int position) {
  ScrollSteps steps;
  const int old = model_.SetPosition(position, steps);
  Execute(steps);
  return old;
}

void CXScrollBar::UpdateThumbFromPosition() {
  ScrollSteps steps;
  model_.UpdateThumbFromPosition(steps);
  Execute(steps);
}

void CXScrollBar::SetShown(bool shown) {
  model_.SetShown(shown);
  RunPaint();
}

void CXScrollBar::Execute(const ScrollSteps& steps) {
  const HWND bar = Handle();
  if (!bar) return;
  for (const ScrollStep& s : steps) {
    switch (s.kind) {
      case ScrollStep::Notify:
        if (owner_ && ::IsWindow(owner_))
          ::SendMessageW(owner_, WM_VSCROLL, ScrollNotifyWParam(s), reinterpret_cast<LPARAM>(bar));
        break;
      case ScrollStep::StartTimer:
        ::SetTimer(bar, UINT_PTR(s.a), UINT(s.b), nullptr);
        break;
      case ScrollStep::StopTimer:
        ::KillTimer(bar, UINT_PTR(s.a));
        break;
      case ScrollStep::Capture:
        ::SetCapture(bar);
        break;
      case ScrollStep::ReleaseCapture:
        ::ReleaseCapture();
        break;
      case ScrollStep::Draw:
        DrawBar();
        break;
      case ScrollStep::Invalidate:
        ::InvalidateRect(bar, nullptr, TRUE);
        break;
      case ScrollStep::ArrowCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        break;
      case ScrollStep::Show:
        ::ShowWindow(bar, SW_SHOW);
        break;
      case ScrollStep::Hide:
        ::ShowWindow(bar, SW_HIDE);
        break;
      case ScrollStep::PostOwnerPaint:
        if (owner_) ::PostMessageW(owner_, WM_PAINT, 0, 0);
        break;
    }
    if (!::IsWindow(bar)) return;  // the owner may have destroyed us while notified
  }
}

void CXScrollBar::DrawBar() {
  framework::WindowDC client(Handle());
  if (!client) return;
  const Rect r = model_.ClientRect();
  MemDC picture(client.get(), RECT{r.left, r.top, r.right, r.bottom});
  if (!picture.Valid()) return;
  // Each image is loaded for this picture only and given back right after.
  for (const BarPiece& piece : model_.Pieces()) {
    const framework::BitmapHandle image = skin::LoadSkinBitmap(piece.imageId);
    skin::StretchImage(picture.get(), image.get(), piece.dest, piece.srcWidth, piece.srcHeight);
  }
}

void CXScrollBar::RunPaint() {
  if (!Handle()) return;
  framework::PaintDC paint(Handle());
  Execute(model_.Paint(::IsWindowVisible(Handle()) != FALSE));
}

void CXScrollBar::OnPaint() { RunPaint(); }

void CXScrollBar::OnLButtonDown(UINT, POINT at) {
  Execute(model_.ButtonDown({at.x, at.y}));
  Default();
}

void CXScrollBar::OnLButtonUp(UINT, POINT at) {
  Execute(model_.ButtonUp({at.x, at.y}));
  Default();
}

void CXScrollBar::OnMouseMove(UINT, POINT at) {
  Execute(model_.MouseMove({at.x, at.y}));
  Default();
}

void CXScrollBar::OnTimer(UINT_PTR id) {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::ScreenToClient(Handle(), &cursor);
  Execute(model_.Timer(int(id), {cursor.x, cursor.y}));
  Default();
}

bool CXScrollBar::OnSetCursor(HWND, UINT, UINT) {
  ::SetCursor(model_.ThumbHot() && handCursor_ ? handCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
  return true;
}

void CXScrollBar::OnCaptureChanged(HWND gaining) {
  if (gaining != Handle()) Execute(model_.CaptureLost());
  Default();
}

}  // namespace brevix
