#include "controls/LinePanelUnit.h"

#include <QEvent>
#include <QPainter>

TLinePanel::TLinePanel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the paint covers everything; nothing is erased
    setGeometry(0, 0, 185, 41);
    SyncPalette();
}

void TLinePanel::SetLineColor(TColor c)
{
    lineColor_ = c;
    update();
}

void TLinePanel::SetLineBorders(TLineBorders b)
{
    lineBorders_ = b;
    update();
}

void TLinePanel::SetCaption(const QString& text)
{
    if (caption_ == text)
        return;
    caption_ = text;
    update();
}

void TLinePanel::SetAlignment(TAlignment a)
{
    alignment_ = a;
    update();
}

TColor TLinePanel::Color() const
{
    if (parentColor_ && parentWidget()) {
        const QWidget* parent = parentWidget();
        return FromQColor(parent->palette().color(parent->backgroundRole()));
    }
    return color_;
}

void TLinePanel::SetColor(TColor c)
{
    color_ = c;
    parentColor_ = false;
    SyncPalette();
    update();
}

void TLinePanel::SetParentColor(bool value)
{
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    SyncPalette();
    update();
}

void TLinePanel::SetBorderWidth(int w)
{
    borderWidth_ = std::max(0, w);
    setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
    update();
}

// Children without a colour of their own see the panel's background as their parent colour.
void TLinePanel::SyncPalette()
{
    QPalette pal = palette();
    const QColor c = ToQColor(Color());
    if (pal.color(QPalette::Window) != c) {
        pal.setColor(QPalette::Window, c);
        setPalette(pal);
    }
}

const QImage& TLinePanel::Render()
{
    const QRect client = contentsRect();
    const int w = std::max(1, client.width()), h = std::max(1, client.height());
    const qreal ratio = devicePixelRatioF();
    if (LogicalSize(buffer_) != QSize(w, h) || buffer_.devicePixelRatio() != ratio)
        buffer_ = NewControlImage(QSize(w, h), ratio);
    const QRect area(0, 0, w, h);
    QPainter p(&buffer_);
    p.fillRect(area, ToQColor(Color()));
    if (lineBorders_.Contains(lbTop))
        DrawLine(p, { 0, 0 }, { w, 0 }, lineColor_);
    if (lineBorders_.Contains(lbLeft))
        DrawLine(p, { 0, 0 }, { 0, h }, lineColor_);
    if (lineBorders_.Contains(lbRight))
        DrawLine(p, { w - 1, 0 }, { w - 1, h }, lineColor_);
    if (lineBorders_.Contains(lbBottom))
        DrawLine(p, { 0, h - 1 }, { w, h - 1 }, lineColor_);

    if (!caption_.isEmpty()) {
        static constexpr Qt::Alignment kAlign[] = { Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter };
        const int flags = kAlign[alignment_] | Qt::AlignVCenter | Qt::TextSingleLine;
        p.setFont(font());
        if (isEnabled()) {
            p.setPen(palette().color(QPalette::Active, QPalette::WindowText));
            p.drawText(area, flags, caption_);
        } else { // embossed: highlight one pixel right and down, shadow on top
            p.setPen(ToQColor(clBtnHighlight));
            p.drawText(area.translated(1, 1), flags, caption_);
            p.setPen(ToQColor(clBtnShadow));
            p.drawText(area, flags, caption_);
        }
    }
    return buffer_;
}

void TLinePanel::paintEvent(QPaintEvent*)
{
    const QImage& image = Render();
    QPainter p(this);
    const QRect client = contentsRect();
    if (borderWidth_ > 0) {
        const QRegion border = QRegion(rect()) - QRegion(client);
        for (const QRect& r : border)
            p.fillRect(r, ToQColor(Color()));
    }
    p.drawImage(client.topLeft(), image);
}

void TLinePanel::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        update();
}

bool TLinePanel::event(QEvent* e)
{
    const bool result = QWidget::event(e);
    if (e->type() == QEvent::ParentChange || e->type() == QEvent::ParentAboutToChange) {
        SyncPalette();
        update();
    }
    return result;
}
