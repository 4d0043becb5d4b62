#pragma once
// The skinned vertical scroll bar: a static control drawn from skin images that notifies its
// owner with WM_VSCROLL. Its state and decisions live in ScrollBarModel.
#include <windows.h>

#include "ui/controls/ScrollBarModel.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/Window.h"

namespace brevix {

class CXScrollBar : public framework::Window {
 public:
  // Creates the bar (id 1018) over the dialog's placeholder 1017, which it hides.
  // False when the window or the reference image cannot be made.
  bool CreateOverPlaceholder(HWND dialog);

  void SetRange(int range);
  // Stores p as given and moves the thumb; returns the old position.
  int SetPosition(int position);
  void UpdateThumbFromPosition();
  // The owner's "shown" flag, applied at once through the paint handling.
  void SetShown(bool shown);

  int Position() const { return model_.Position(); }
  int Range() const { return model_.Range(); }
  const ScrollBarModel& Model() const { return model_; }
  // For the owner that moves the position before calling UpdateThumbFromPosition.
  void SetPositionField(int position) { model_.SetPositionField(position); }

 protected:
  void OnPaint() override;
  void OnLButtonDown(UINT flags, POINT at) override;
  void OnLButtonUp(UINT flags, POINT at) override;
  void OnMouseMove(UINT flags, POINT at) override;
  void OnTimer(UINT_PTR id) override;
  bool OnSetCursor(HWND, UINT, UINT) override;
  void OnCaptureChanged(HWND gaining) override;

 private:
  void Execute(const ScrollSteps& steps);
  void DrawBar();
  void RunPaint();
  void LoadHandCursor();

  ScrollBarModel model_;
  HWND owner_ = nullptr;
  HCURSOR handCursor_ = nullptr;     // the system's, or ownHandCursor_
  framework::CursorHandle ownHandCursor_;  // a copy made from winhlp32.exe
};

}  // namespace brevix
