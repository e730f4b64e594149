#include "galleryForms.h"

#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "controls/pngImageList.h"
#include "galleryInput.h"

#include <QFile>
#include <QLabel>

namespace gallery {

QLabel* FormLabel(QWidget* parent, QRect r, const QString& text, int pixelHeight, TColor color, bool bold,
    Qt::Alignment align)
{
    auto* label = new QLabel(text, parent);
    SkinFont(label, pixelHeight, color, bold);
    label->setAlignment(align | Qt::AlignTop);
    label->setGeometry(r);
    if (r.width() == 0)
        label->adjustSize();
    return label;
}

QLabel* FormPicture(QWidget* parent, QRect r, const QString& name, bool stretch)
{
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(":/skin/" + name));
    picture->setScaledContents(stretch);
    picture->setGeometry(r);
    return picture;
}

TLinePanel* FormLinePanel(QWidget* parent, QRect r, TColor color, int borderWidth)
{
    auto* panel = new TLinePanel(parent);
    panel->setGeometry(r);
    panel->SetLineColor(kLine);
    panel->SetColor(color);
    panel->SetBorderWidth(borderWidth);
    return panel;
}

TImageButton* FormImageButton(QWidget* parent, QRect r, const QString& stem, bool enabled)
{
    auto* button = new TImageButton(parent);
    button->setGeometry(r);
    auto picture = [&stem](const char* state) {
        const QString file = QString(":/skin/%1%2.png").arg(stem, state);
        return QFile::exists(file) ? TPngImage::FromFile(file) : TPngImage();
    };
    button->SetImage(picture("Normal"));
    button->SetImageOver(picture("Over"));
    button->SetImageDown(picture("Down"));
    button->SetImageDisable(picture("Disabled"));
    button->SetUseDown(false);
    button->SetEnabled(enabled);
    return button;
}

TMyFlatComboBox* FormProfileCombo(QWidget* parent, QRect r)
{
    auto* combo = new TMyFlatComboBox(parent);
    combo->setGeometry(r);
    combo->SetStyle(csDropDownList);
    combo->SetColor(clWindow);
    combo->SetColorArrowBackground(clBtnFace);
    combo->SetColorBorder(clWhite);
    SkinFont(combo, 16, kEntryText); // first: a font change puts the item height back to 13
    combo->SetItemHeight(22);
    return combo;
}

TMyButtonEx* FormPushButton(QWidget* parent, QRect r, const QString& caption)
{
    auto* button = new TMyButtonEx(parent);
    button->setGeometry(r);
    button->SetCaption(caption);
    SkinFont(button, 12, kCaption, true);
    button->SetFontColor(kCaption);
    button->SetDefaultColorFrom(0xF1E2D5);
    button->SetDefaultColorTo(0xF1D8C1);
    button->SetClickColorFrom(0xFCEFC6);
    button->SetClickColorTo(0xFFE0C8);
    button->SetOverColorFrom(clBlack);
    button->SetOverColorTo(clBlack);
    button->SetBorderColor(0xDBBF9E);
    button->SetDrawFocus(false);
    return button;
}

const TPngImageList& FileIconList()
{
    static TPngImageList list = [] {
        TPngImageList l(32, 32);
        l.Add(TPngImage::FromFile(":/skin/videoFile.png"));
        return l;
    }();
    return list;
}

} // namespace gallery
