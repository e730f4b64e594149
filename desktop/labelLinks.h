#pragma once
// Event filters that make a caption label part of another control: a label lying over an image
// button passes its mouse events on to the button, and a link label runs a handler on a click.
#include <QObject>

#include <functional>

class QWidget;

// Forwards enter, leave and left-button press and release from label to target, delivered
// before the label's own event returns (press and release arrive at the target's (0, 0)).
void ForwardLabelTo(QWidget* label, QWidget* target);

// Runs onClick when the left button is released over label after being pressed on it.
void OnLabelClick(QWidget* label, std::function<void()> onClick);
