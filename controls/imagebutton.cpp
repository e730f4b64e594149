#include "controls/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(QWidget* parent)
    : QWidget(parent)
{
}

void TImageButton::AssignImage(TPngImage& target, const TPngImage& source)
{
    target.Assign(source);
    update();
}

void TImageButton::SetEnabled(bool value)
{
    enabled_ = value;
    update();
}

bool TImageButton::event(QEvent* e)
{
    // Enter/leave are taken here rather than in enterEvent/leaveEvent so that a plain QEvent of
    // these types, as a caption label may forward, is understood too.
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
        mouseOver_ = e->type() == QEvent::Enter;
        update();
    }
    return handled;
}

const TPngImage& TImageButton::CurrentImage(QRect& where) const
{
    auto at = [&where](const TPngImage& img, int d) -> const TPngImage& {
        where = QRect(d, d, img.Width(), img.Height());
        return img;
    };
    if (!enabled_)
        return at(imageDisable_, 0);
    if (pressed_) {
        const int d = useDown_ ? 2 : 0;
        return at(imageDown_.Empty() ? imageOver_ : imageDown_, d);
    }
    if (mouseOver_ && !imageOver_.Empty())
        return at(imageOver_, 0);
    return at(image_, 0);
}

void TImageButton::paintEvent(QPaintEvent*)
{
    QRect where;
    const TPngImage& img = CurrentImage(where);
    imageRect_ = where;
    QPainter p(this);
    img.Draw(p, where);
}

void TImageButton::mousePressEvent(QMouseEvent*)
{
    pressed_ = true;
    update();
}

void TImageButton::mouseMoveEvent(QMouseEvent* e)
{
    if (imageRect_.contains(e->position().toPoint()))
        return;
    pressed_ = false;
    update();
}

void TImageButton::mouseReleaseEvent(QMouseEvent* e)
{
    pressed_ = false;
    update();
    if (imageRect_.contains(e->position().toPoint()) && enabled_ && e->button() == Qt::LeftButton)
        Click();
}

void TImageButton::Click()
{
    if (OnClick)
        OnClick(this);
}
