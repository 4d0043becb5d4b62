#pragma once
// Where the wizard's controls stand, in client pixels of the window (kWizardWidth by
// kWizardHeight): one table, so that the skin's pictures and the controls on them are read
// together.
#include "ui/ResourceIds.h"
#include "ui/skin/Geometry.h"

namespace brevix::layout {

struct Placement {
  int id;
  Rect rect;
};

// The dialog template's own controls, placed over the page picture.
constexpr Placement kWizardControls[] = {
    {IDC_NEXT_BUTTON, {425, 464, 553, 513}}, {IDC_CANCEL_BUTTON, {582, 464, 710, 513}},
    {IDC_TITLE, {100, 20, 650, 70}},         {IDC_LOG, {85, 176, 658, 406}},
    {IDC_INTRO_TEXT, {85, 176, 658, 406}},   {IDC_HEADING, {85, 80, 733, 110}},
    {IDC_SUBTITLE, {85, 112, 648, 162}},
};
// The title bar's buttons keep their pictures' size; only their corner is placed.
constexpr Point kMinimiseButton{655, 5};
constexpr Point kCloseButton{698, 5};
// The skinned scroll bar takes the place of its placeholder beside the log.
constexpr Rect kScrollBar{660, 170, 672, 420};
// The progress bar: its track and, inside it, the fill at 100 %.
constexpr Rect kProgressTrack{106, 440, 626, 458};
constexpr Rect kProgressFill{109, 442, 621, 452};
// The restart choice: the question above two rows of picture and text, 24 pixels apart.
constexpr int kChoiceLeft = 57;
constexpr int kChoiceTop = 476;
constexpr int kChoiceRowStep = 24;
constexpr int kChoicePictureSize = 16;
constexpr int kChoiceRowHeight = 18;
constexpr int kChoiceTextGap = 20;  // from the picture's left edge to its text's
constexpr int kChoiceTextWidth = 450;
constexpr int kChoiceFrameMargin = 2;  // a focus frame encloses picture and text this far out
constexpr Rect kRestartQuestion{kChoiceLeft, kChoiceTop - 45, kChoiceLeft + 490, kChoiceTop};

}  // namespace brevix::layout
