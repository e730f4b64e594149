#pragma once
// Building blocks of the forms, set up as the forms set them: the skin's colours and font, labels,
// pictures, panels, image buttons, push buttons, the profile combo box and the image lists.
// Pictures come from the embedded :/skin/ resources (InitSkinResources makes them available).
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

namespace formkit {

// The forms' colours (TColor, 0xBBGGRR).
constexpr TColor kWindow = 0xD1A481;
constexpr TColor kPanel = 0xFFDBBF;
constexpr TColor kList = 0xEEEAE9;
constexpr TColor kCaption = 0x8B4215;
constexpr TColor kDisabledCaption = 0x8D8D8D;
constexpr TColor kLine = 0xE3B28D;
constexpr TColor kEntryText = 0x797993;

// The family every form asks for; InstallSkinFonts maps it onto an installed font.
inline const QString kSkinFamily = QStringLiteral("Trebuchet MS");

// Registers the :/skin/ resources of the static library (once; later calls do nothing).
void InitSkinResources();

// The skin font at a character height in pixels, with the given text colour (palette Text and
// WindowText).
void SkinFont(QWidget* w, int pixelHeight, TColor color, bool bold = false);
// Only the text colour (palette Text and WindowText).
void SetTextColor(QWidget* w, TColor color);
// A widget's background colour (palette Window and Base, filled automatically).
void SetBackground(QWidget* w, TColor color);

// A label in the skin font; an empty size (width 0) sizes it to its text.
QLabel* FormLabel(QWidget* parent, QRect r, const QString& text, int pixelHeight, TColor color, bool bold,
    Qt::Alignment align = Qt::AlignLeft);
// A picture from :/skin/; stretch scales it to r.
QLabel* FormPicture(QWidget* parent, QRect r, const QString& name, bool stretch = false);
// A line panel in the forms' line colour 0xE3B28D, no border lines.
TLinePanel* FormLinePanel(QWidget* parent, QRect r, TColor color, int borderWidth);
// An image button with the pictures <stem>Normal/Over/Down/Disabled.png (missing ones stay empty),
// UseDown false.
TImageButton* FormImageButton(QWidget* parent, QRect r, const QString& stem, bool enabled = true);
// A push button with the forms' colours (btnImport, btnExport, btnOk, btnCancel): bold 12 in
// 0x8B4215, face 0xF1E2D5 to 0xF1D8C1, pressed 0xFCEFC6 to 0xFFE0C8, border 0xDBBF9E.
TMyButtonEx* FormPushButton(QWidget* parent, QRect r, const QString& caption);
// profileBox of the dialogs: drop-down list, window colour, arrow background clBtnFace, white
// border, 16 in 0x797993, item height 22. No items.
TMyFlatComboBox* FormProfileCombo(QWidget* parent, QRect r);
// The dialogs' PngImageList1: the 32 x 32 video file icon.
const TPngImageList& FileIconList();
// The main window's listImage: the four 16 x 16 status icons, indexed by row status.
const TPngImageList& StatusIconList();

} // namespace formkit
