#pragma once
// Building blocks of the forms, set up as the forms set them: labels, pictures, panels, image
// buttons and the image lists of the skin. Pictures come from the embedded :/skin/ resources.
#include "controls/skinGraphics.h"

#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class TImageButton;
class TLinePanel;
class TPngImageList;

namespace gallery {

// A label in Trebuchet MS; an empty size (width 0) sizes it to its text.
QLabel* FormLabel(QWidget* parent, QRect r, const QString& text, int pixelHeight, TColor color, bool bold,
    Qt::Alignment align = Qt::AlignLeft);
// A picture from :/skin/; stretch scales it to r.
QLabel* FormPicture(QWidget* parent, QRect r, const QString& name, bool stretch = false);
// A line panel in the forms' line colour 0xE3B28D, no border lines.
TLinePanel* FormLinePanel(QWidget* parent, QRect r, TColor color, int borderWidth);
// An image button with the pictures <stem>Normal/Over/Down/Disabled.png (missing ones stay empty),
// UseDown false.
TImageButton* FormImageButton(QWidget* parent, QRect r, const QString& stem, bool enabled = true);
// The dialogs' PngImageList1: the 32 x 32 video file icon.
const TPngImageList& FileIconList();

} // namespace gallery
