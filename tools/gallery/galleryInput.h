#pragma once
// Puts widgets into the states the gallery captures: mouse over, pressed, focused, and the skin's
// font settings the forms use.
#include "desktop/formKit.h"

#include <QPoint>

class QWidget;

namespace gallery {

// The form colours and the skin font are the program's own.
using namespace formkit;

void Enter(QWidget* w);
void Leave(QWidget* w);
void Press(QWidget* w, QPoint at, bool left = true);
void Release(QWidget* w, QPoint at, bool left = true);
void Move(QWidget* w, QPoint at);

} // namespace gallery
