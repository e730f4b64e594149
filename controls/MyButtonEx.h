#pragma once
// A focusable push button with rounded corners, a vertical two-colour gradient face, a one-pixel
// rounded border, an optional PNG glyph left of the caption and a pressed look of its own.
//
//   auto* ok = new TMyButtonEx(dialog);
//   ok->setGeometry(312, 496, 121, 41);
//   ok->SetCaption("&OK");                  // Alt+O clicks it while the window is active
//   ok->OnClick = [](QObject* sender) { ... };
//
// A left press shows the pressed face; the release clicks unless the pointer left the button
// first. The accelerator runs the click routine, which leaves the pressed face up (unpainted)
// until the next release or SetEnabled. Colour writers invalidate; mouse handling and SetEnabled
// repaint at once. A disabled button draws its caption in 0xC0C0C0 and its glyph faded.
#include "controls/pngImage.h"
#include "controls/skinGraphics.h"

#include <QAction>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

// The disabled look of a glyph: a translucent copy (amount 50 gives opaque alpha 255 -> 51).
void FadeGlyph(TPngImage& glyph, int amount = 50);

class TMyButtonEx : public QWidget {
    Q_OBJECT
public:
    explicit TMyButtonEx(QWidget* parent = nullptr);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& text);
    // Caption colour while enabled (the font's colour).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor c) { SetColorField(fontColor_, c); }
    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    // Run by the click routine after OnClick (the accelerator path only); not owned.
    QAction* Action() const { return action_; }
    void SetAction(QAction* action) { action_ = action; }

    TColor DefaultColorFrom() const { return defaultColorFrom_; }
    void SetDefaultColorFrom(TColor c) { SetColorField(defaultColorFrom_, c); }
    TColor DefaultColorTo() const { return defaultColorTo_; }
    void SetDefaultColorTo(TColor c) { SetColorField(defaultColorTo_, c); }
    TColor ClickColorFrom() const { return clickColorFrom_; }
    void SetClickColorFrom(TColor c) { SetColorField(clickColorFrom_, c); }
    TColor ClickColorTo() const { return clickColorTo_; }
    void SetClickColorTo(TColor c) { SetColorField(clickColorTo_, c); }
    // Stored for the form; no state paints with them.
    TColor OverColorFrom() const { return overColorFrom_; }
    void SetOverColorFrom(TColor c) { SetColorField(overColorFrom_, c); }
    TColor OverColorTo() const { return overColorTo_; }
    void SetOverColorTo(TColor c) { SetColorField(overColorTo_, c); }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor c) { SetColorField(borderColor_, c); }
    // Copies the picture into the button's own (an empty one removes the glyph).
    const TPngImage& Glyph() const { return glyph_; }
    void SetGlyph(const TPngImage& glyph);
    bool DrawFocus() const { return drawFocus_; }
    void SetDrawFocus(bool value) { drawFocus_ = value; }

    bool Pressed() const { return pressed_; }
    // The accelerator path: sets pressed, raises OnClick, then triggers Action.
    void Click();

    // Layout of the face for the current size, font, caption, glyph and state.
    struct Layout {
        int textWidth; // caption width with every '&' counted
        int x0; // left edge of glyph and caption together
        QRect glyphRect; // empty without a glyph
        QRect captionRect;
    };
    Layout ComputeLayout() const;
    // The face a paint copies to the screen, W x H; the focus frame is not part of it.
    QImage Compose() const;

    TNotifyEvent OnClick;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetColorField(TColor& field, TColor value);
    void ButtonClick(); // OnClick when visible, enabled and assigned
    void UpdateShortcut();
    bool CanFocus() const;

    bool pressed_ = false;
    bool drawFocus_ = false;
    TColor clickColorFrom_ = 0xE4E4E4;
    TColor defaultColorTo_ = 0xE4E4E4;
    TColor overColorFrom_ = clBlack;
    TColor overColorTo_ = clBlack;
    TColor defaultColorFrom_ = 0xEEEEEE;
    TColor clickColorTo_ = 0xEEEEEE;
    TColor borderColor_ = 0xC5C5C5;
    TColor fontColor_ = clWindowText;
    TPngImage glyph_;
    bool default_ = false;
    QString caption_;
    QPointer<QAction> action_;
    int shortcutId_ = 0;
};
