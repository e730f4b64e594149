#pragma once
// Puts widgets into the states the gallery captures: mouse over, pressed, focused, and the skin's
// font settings the forms use.
#include "controls/skinGraphics.h"

#include <QPoint>

class QWidget;

namespace gallery {

// The form colours every shot uses.
constexpr TColor kWindow = 0xD1A481;
constexpr TColor kPanel = 0xFFDBBF;
constexpr TColor kList = 0xEEEAE9;
constexpr TColor kCaption = 0x8B4215;
constexpr TColor kLine = 0xE3B28D;
constexpr TColor kEntryText = 0x797993;

// "Trebuchet MS" at a character height in pixels, with the given text colour (palette Text and
// WindowText).
void SkinFont(QWidget* w, int pixelHeight, TColor color, bool bold = false);

void Enter(QWidget* w);
void Leave(QWidget* w);
void Press(QWidget* w, QPoint at, bool left = true);
void Release(QWidget* w, QPoint at, bool left = true);
void Move(QWidget* w, QPoint at);

} // namespace gallery
