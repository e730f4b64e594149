#include "skinIcons.h"

#include "skinDrawing.h"
#include "skinPalette.h"

#include <QPainter>
#include <QPolygonF>
#include <QtMath>

namespace skin {

void DrawFilmCard(QPainter& p, QPointF centre, qreal width, qreal angle)
{
    // Designed 50 x 38; scaled to width.
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(width / 50.0, width / 50.0);
    QPainterPath body;
    body.addRoundedRect(QRectF(-25, -19, 50, 38), 5, 5);
    p.setPen(QPen(Tc(kBlueDark).darker(130), 1.2));
    p.setBrush(Vertical(body.boundingRect(), QColor(0x4A, 0x7E, 0xC8), Tc(kBlueDark)));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xF1, 0xFF));
    for (qreal x = -21; x < 22; x += 8) {
        p.drawRoundedRect(QRectF(x, -16.5, 5, 3.5), 1, 1);
        p.drawRoundedRect(QRectF(x, 13, 5, 3.5), 1, 1);
    }
    const QRectF frame(-20, -10, 40, 20);
    p.setBrush(Vertical(frame, QColor(0xD8, 0xEC, 0xFF), QColor(0x7C, 0xB3, 0xF0)));
    p.drawRoundedRect(frame, 2, 2);
    // A landscape in the frame: two soft hills and a sun, so the card reads as a picture.
    QPainterPath hills;
    hills.moveTo(-20, 10);
    hills.cubicTo(-12, 0, -6, 1, 2, 6);
    hills.cubicTo(8, 1, 14, 0, 20, 5);
    hills.lineTo(20, 10);
    hills.closeSubpath();
    QPainterPath framePath;
    framePath.addRoundedRect(frame, 2, 2);
    p.setBrush(Vertical(frame, QColor(0x8C, 0xD8, 0x6A), QColor(0x3B, 0x9A, 0x3E)));
    p.drawPath(hills.intersected(framePath));
    p.setBrush(Tc(kGoldLight));
    p.drawEllipse(QPointF(10, -4), 3.2, 3.2);
    Gloss(p, body, 0.6);
    p.restore();
}

void DrawCycleArrows(QPainter& p, QPointF centre, qreal radius, qreal width, const QColor& color)
{
    p.save();
    const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    // Two arcs, each ending in an arrow head pointing along the direction of travel
    // (counter-clockwise in Qt's angles).
    for (qreal start : { 20.0, 200.0 }) {
        const qreal span = 125.0;
        QPainterPath arc;
        arc.arcMoveTo(ring, start);
        arc.arcTo(ring, start, span);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        p.drawPath(arc);
        const qreal t = qDegreesToRadians(start + span);
        const QPointF radial(qCos(t), -qSin(t));
        const QPointF tangent(-qSin(t), -qCos(t));
        const QPointF end = centre + radial * radius;
        QPolygonF head;
        head << end + tangent * width * 1.5 << end + radial * width * 1.15 << end - radial * width * 1.15;
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(head);
    }
    p.restore();
}

static void AddIcon(QPainter& p)
{
    SoftShadow(p, QPointF(0, 27), 28, 5, 110);
    DrawFilmCard(p, QPointF(-5, -5), 52, -8);
    SoftShadow(p, QPointF(15, 28), 14, 3, 90);
    GlossyDisc(p, QPointF(15, 14), 13.5, Tc(kGreenLight), Tc(kGreenDark));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 11.8, 14, 4.4), 1.5, 1.5);
    p.drawRoundedRect(QRectF(12.8, 7, 4.4, 14), 1.5, 1.5);
}

static void ConvertIcon(QPainter& p)
{
    SoftShadow(p, QPointF(0, 28), 26, 5, 110);
    GlossyDisc(p, QPointF(0, 0), 27, Tc(kGoldLight), Tc(kGoldDark));
    DrawCycleArrows(p, QPointF(0, 1), 14.5, 5.5, Qt::white);
}

static void StopIcon(QPainter& p)
{
    SoftShadow(p, QPointF(0, 28), 26, 5, 110);
    GlossyDisc(p, QPointF(0, 0), 27, Tc(kRedLight), Tc(kRedDark));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(-10.5, -9.5, 21, 21), 3.5, 3.5);
}

static void SupportIcon(QPainter& p)
{
    SoftShadow(p, QPointF(0, 28), 26, 5, 110);
    const qreal outer = 27, inner = 12.5;
    QPainterPath ring;
    ring.addEllipse(QPointF(0, 0), outer, outer);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), inner, inner);
    ring = ring.subtracted(hole);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(ring.boundingRect(), QColor(0xFF, 0xFF, 0xFF), QColor(0xD4, 0xDD, 0xEA)));
    p.drawPath(ring);
    // Four red bands across the ring, on the diagonals.
    for (int k = 0; k < 4; ++k) {
        QPainterPath band;
        band.moveTo(0, 0);
        band.arcTo(QRectF(-outer, -outer, 2 * outer, 2 * outer), 45 + 90 * k - 17, 34);
        band.closeSubpath();
        p.setBrush(Vertical(ring.boundingRect(), Tc(kRedLight), Tc(kRedDark)));
        p.drawPath(band.intersected(ring));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x60, 0x70, 0x90), 1.3));
    p.drawEllipse(QPointF(0, 0), outer - 0.65, outer - 0.65);
    p.drawEllipse(QPointF(0, 0), inner + 0.65, inner + 0.65);
    Gloss(p, ring, 0.8);
}

void DrawToolIcon(QPainter& p, ToolIcon icon, QPointF centre)
{
    p.save();
    p.translate(centre);
    switch (icon) {
    case ToolIcon::tiAdd:
        AddIcon(p);
        break;
    case ToolIcon::tiConvert:
        ConvertIcon(p);
        break;
    case ToolIcon::tiStop:
        StopIcon(p);
        break;
    case ToolIcon::tiSupport:
        SupportIcon(p);
        break;
    }
    p.restore();
}

// The down arrow in 16-pixel coordinates; the other arrows are its rotations about the centre.
static QPolygonF DownArrow()
{
    return QPolygonF(
        { { 6.8, 3.2 }, { 9.2, 3.2 }, { 9.2, 7.2 }, { 12.3, 7.2 }, { 8, 12.6 }, { 3.7, 7.2 }, { 6.8, 7.2 } });
}

void DrawStatusIcon(QPainter& p, StatusIcon icon)
{
    GlossyDisc(p, QPointF(8, 8), 7.5, Tc(kGreenLight), Tc(kGreenDark));
    p.save();
    p.setPen(Qt::NoPen);
    if (icon == StatusIcon::siFailed) {
        p.setBrush(QColor(0x0E, 0x50, 0x18, 110));
        p.drawRoundedRect(QRectF(3.8, 7.3, 8.4, 2.6), 1, 1);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(3.8, 6.7, 8.4, 2.6), 1, 1);
    } else {
        const qreal angle = icon == StatusIcon::siWaiting ? 0 : icon == StatusIcon::siConverting ? -90 : 180;
        p.translate(8, 8);
        p.rotate(angle);
        p.translate(-8, -8);
        p.setBrush(QColor(0x0E, 0x50, 0x18, 110));
        p.drawPolygon(DownArrow().translated(0.4, 0.5));
        p.setBrush(Qt::white);
        p.drawPolygon(DownArrow());
    }
    p.restore();
}

void DrawFolder(QPainter& p)
{
    p.save();
    const QColor rim(0xA8, 0x6A, 0x08);
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(rim, 1));
    p.setBrush(Vertical(back.boundingRect(), QColor(0xF2, 0xB8, 0x3E), QColor(0xD0, 0x8A, 0x12)));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3.5, 7.5);
    front.lineTo(14.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.setBrush(Vertical(front.boundingRect(), QColor(0xFF, 0xE4, 0x8E), QColor(0xF5, 0xB9, 0x3A)));
    p.drawPath(front);
    p.setClipPath(front);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawLine(QPointF(3, 8.5), QPointF(15, 8.5));
    p.restore();
}

void DrawVideoFile(QPainter& p)
{
    p.save();
    const qreal fold = 7;
    QPainterPath page;
    page.moveTo(5.5, 1.5);
    page.lineTo(26.5 - fold, 1.5);
    page.lineTo(26.5, 1.5 + fold);
    page.lineTo(26.5, 30.5);
    page.lineTo(5.5, 30.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x6F, 0x86, 0xAE), 1));
    p.setBrush(Vertical(page.boundingRect(), Qt::white, QColor(0xE2, 0xEA, 0xF6)));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(26.5 - fold, 1.5);
    corner.lineTo(26.5 - fold, 1.5 + fold);
    corner.lineTo(26.5, 1.5 + fold);
    corner.closeSubpath();
    p.setBrush(Vertical(corner.boundingRect(), QColor(0xE8, 0xEE, 0xF8), QColor(0xB8, 0xC8, 0xE2)));
    p.drawPath(corner);
    // A strip of film across the page with a play sign in its frame.
    const QRectF film(8, 11, 16, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(film, QColor(0x4A, 0x7E, 0xC8), Tc(kBlueDark)));
    p.drawRoundedRect(film, 1.5, 1.5);
    p.setBrush(QColor(0xE8, 0xF1, 0xFF));
    for (qreal x = 9.5; x < 23; x += 3.5) {
        p.drawRect(QRectF(x, 12, 1.8, 1.5));
        p.drawRect(QRectF(x, 21.5, 1.8, 1.5));
    }
    p.setBrush(Vertical(QRectF(9, 14.5, 14, 6), QColor(0xD8, 0xEC, 0xFF), QColor(0x9C, 0xC6, 0xF4)));
    p.drawRect(QRectF(9, 14.5, 14, 6));
    p.setBrush(Tc(kGoldDark));
    p.drawPolygon(QPolygonF({ { 14, 15.3 }, { 18.6, 17.5 }, { 14, 19.7 } }));
    // Two short text lines under the film.
    p.setBrush(QColor(0xA6, 0xB6, 0xD2));
    p.drawRect(QRectF(8, 26, 16, 1));
    p.drawRect(QRectF(8, 28, 10, 1));
    p.restore();
}

} // namespace skin
