#include "desktop/formKit.h"

#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "controls/pngImageList.h"

#include <QFile>
#include <QLabel>

// Q_INIT_RESOURCE must be called outside any namespace.
static void InitSkinResourcesOnce()
{
    Q_INIT_RESOURCE(skin);
}

namespace formkit {

void InitSkinResources()
{
    static const bool done = (InitSkinResourcesOnce(), true);
    (void)done;
}

void SetTextColor(QWidget* w, TColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, ToQColor(color));
    pal.setColor(QPalette::WindowText, ToQColor(color));
    w->setPalette(pal);
}

void SkinFont(QWidget* w, int pixelHeight, TColor color, bool bold)
{
    QFont f(kSkinFamily);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    w->setFont(f);
    SetTextColor(w, color);
}

void SetBackground(QWidget* w, TColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    pal.setColor(QPalette::Base, ToQColor(color));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

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
    InitSkinResources();
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
    InitSkinResources();
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

static TPngImageList LoadImageList(int size, std::initializer_list<const char*> names)
{
    InitSkinResources();
    TPngImageList list(size, size);
    for (const char* name : names)
        list.Add(TPngImage::FromFile(QString(":/skin/%1.png").arg(name)));
    return list;
}

const TPngImageList& FileIconList()
{
    static const TPngImageList list = LoadImageList(32, { "videoFile" });
    return list;
}

const TPngImageList& StatusIconList()
{
    static const TPngImageList list
        = LoadImageList(16, { "statusWaiting", "statusConverting", "statusConverted", "statusFailed" });
    return list;
}

} // namespace formkit
