#include "skinButtons.h"

#include "skinDrawing.h"
#include "skinPalette.h"

#include <QPainter>

namespace skin {

namespace {

constexpr int kToolW = 112, kToolH = 101;
constexpr int kTabW = 66, kTabH = 29;

// A shadow along the top edge inside the tile makes it look pushed in.
void InnerShadow(QPainter& p, const QPainterPath& tile, const QRectF& r)
{
    const QRectF band(r.left(), r.top(), r.width(), 10);
    QPainterPath bandPath;
    bandPath.addRect(band);
    p.fillPath(tile.intersected(bandPath), Vertical(band, Tc(kCaption, 70), Tc(kCaption, 0)));
}

// The glass tile behind a tool icon. The caption label lies on its lower band (y 80..98).
QImage ToolTile(ButtonState state)
{
    QImage image = NewPicture(kToolW, kToolH);
    QPainter p(&image);
    Smooth(p);
    const QRectF r(3.5, 1.5, 105, 97);
    QPainterPath tile;
    tile.addRoundedRect(r, 12, 12);
    const bool down = state == ButtonState::bsDown;
    const bool over = state == ButtonState::bsOver;
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    if (down) {
        face.setColorAt(0, Tc(kCaption, 95));
        face.setColorAt(0.55, Tc(kCaption, 45));
        face.setColorAt(1, QColor(255, 255, 255, 40));
    } else {
        const int lift = over ? 70 : 0;
        face.setColorAt(0, QColor(255, 255, 255, 125 + lift));
        face.setColorAt(0.6, QColor(255, 255, 255, 45 + lift));
        face.setColorAt(1, QColor(255, 255, 255, 85 + lift));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawPath(tile);
    if (!down)
        Gloss(p, tile, over ? 0.55 : 0.4);
    else
        InnerShadow(p, tile, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(down ? Tc(kCaption, 130) : QColor(255, 255, 255, over ? 250 : 185), 1));
    p.drawPath(tile);
    p.setPen(QPen(down ? QColor(255, 255, 255, 60) : Tc(kCaption, 45), 1));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 11, 11);
    return image;
}

} // namespace

QImage ToolButton(ToolIcon icon, ButtonState state)
{
    QImage image = ToolTile(state);
    QImage symbol = NewPicture(kToolW, kToolH);
    {
        QPainter p(&symbol);
        Smooth(p);
        DrawToolIcon(p, icon, QPointF(56, 41));
    }
    if (state == ButtonState::bsOver)
        Lighten(symbol, 0.14);
    else if (state == ButtonState::bsDown)
        Darken(symbol, 0.14);
    Compose(image, symbol);
    if (state == ButtonState::bsDisabled)
        GreyOut(image, 0.65);
    return image;
}

// A tab with rounded top corners. Its bottom rows lie under the list, the panel line crosses row 25.
QImage Tab(ButtonState state)
{
    QImage image = NewPicture(kTabW, kTabH);
    QPainter p(&image);
    Smooth(p);
    QPainterPath tab;
    const qreal l = 0.5, t = 0.5, rgt = kTabW - 0.5, b = kTabH + 1, rad = 6;
    tab.moveTo(l, b);
    tab.lineTo(l, t + rad);
    tab.quadTo(l, t, l + rad, t);
    tab.lineTo(rgt - rad, t);
    tab.quadTo(rgt, t, rgt, t + rad);
    tab.lineTo(rgt, b);
    QColor top = Qt::white, bottom = Tc(kList);
    if (state == ButtonState::bsDown) {
        top = QColor(0xC9, 0xD9, 0xF0);
        bottom = QColor(0xDD, 0xE5, 0xF2);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(QRectF(0, 0, kTabW, kTabH), top, bottom));
    p.drawPath(tab);
    if (state == ButtonState::bsOver) { // a warm accent along the top, as on the progress bar
        QPainterPath band;
        band.addRect(QRectF(0, 0, kTabW, 3.5));
        p.setBrush(Vertical(band.boundingRect(), Tc(kAmberDark), Tc(kAmberLight)));
        p.drawPath(tab.intersected(band));
    } else if (state == ButtonState::bsNormal) {
        Gloss(p, tab, 0.3);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Tc(kLine), 1));
    p.drawPath(tab);
    return image;
}

} // namespace skin
