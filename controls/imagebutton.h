#pragma once
// A window-less push button drawn from four PNG images: normal, mouse over, pressed, disabled.
//
//   auto* b = new TImageButton(window);
//   b->setGeometry(16, 16, 112, 101);
//   b->SetImage(normal); b->SetImageOver(over); b->SetImageDown(down); b->SetImageDisable(off);
//   b->SetUseDown(false);
//   b->OnClick = [](QObject* sender) { ... };
//
// Painting picks one image (disabled > pressed > over > normal; an empty over image falls back to
// the normal one, an empty down image to the over one) and blends it over the parent at the
// top-left corner, 2 pixels right and down while pressed with UseDown. Where it was drawn is the
// hit area: a left release inside it clicks, if the button's own Enabled flag is set.
// Enabled() is the button's own flag; the QWidget enabled state is never touched, so a disabled
// button still tracks the mouse. Enter/leave may be forwarded from a caption label with sendEvent.
#include "controls/pngImage.h"
#include "controls/skinGraphics.h"

#include <QWidget>

class TImageButton : public QWidget {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* parent = nullptr);

    // The writers copy the given picture into the button's own (an empty one empties it).
    const TPngImage& Image() const { return image_; }
    void SetImage(const TPngImage& image) { AssignImage(image_, image); }
    const TPngImage& ImageOver() const { return imageOver_; }
    void SetImageOver(const TPngImage& image) { AssignImage(imageOver_, image); }
    const TPngImage& ImageDown() const { return imageDown_; }
    void SetImageDown(const TPngImage& image) { AssignImage(imageDown_, image); }
    const TPngImage& ImageDisable() const { return imageDisable_; }
    void SetImageDisable(const TPngImage& image) { AssignImage(imageDisable_, image); }

    bool UseDown() const { return useDown_; }
    void SetUseDown(bool value) { useDown_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    bool MouseOver() const { return mouseOver_; }
    bool Pressed() const { return pressed_; }
    // Where the last paint drew the current image; empty before the first paint.
    QRect ImageRect() const { return imageRect_; }

    TNotifyEvent OnClick;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void AssignImage(TPngImage& target, const TPngImage& source);
    // The image the current state shows and where it goes.
    const TPngImage& CurrentImage(QRect& where) const;
    void Click();

    TPngImage imageOver_;
    TPngImage imageDown_;
    TPngImage image_;
    TPngImage imageDisable_;
    bool mouseOver_ = false;
    bool pressed_ = false;
    QRect imageRect_;
    bool useDown_ = true;
    bool enabled_ = true;
};
