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
class TMyButtonEx;
class TMyFlatComboBox;
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
// A push button with the forms' colours (btnImport, btnExport, btnOk, btnCancel): bold Trebuchet
// MS 12 in 0x8B4215, face 0xF1E2D5 to 0xF1D8C1, pressed 0xFCEFC6 to 0xFFE0C8, border 0xDBBF9E.
TMyButtonEx* FormPushButton(QWidget* parent, QRect r, const QString& caption);
// ComboBox1 of the dialogs: drop-down list, window colour, arrow background clBtnFace, white
// border, Trebuchet MS 16 in 0x797993, item height 22. No items.
TMyFlatComboBox* FormProfileCombo(QWidget* parent, QRect r);
// The dialogs' PngImageList1: the 32 x 32 video file icon.
const TPngImageList& FileIconList();

} // namespace gallery
