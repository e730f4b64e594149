#include "skinBackdrops.h"

#include "skinDrawing.h"
#include "skinIcons.h"
#include "skinPalette.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>

namespace skin {

QImage BottomStrip()
{
    QImage image(6, 21, QImage::Format_ARGB32);
    QPainter p(&image);
    p.fillRect(
        image.rect(), Vertical(QRectF(0, 0, 6, 21), QColor(0x5F, 0x88, 0xC2), QColor(0x2F, 0x5C, 0xA0)));
    p.fillRect(QRect(0, 0, 6, 1), Tc(kCaption));
    p.fillRect(QRect(0, 1, 6, 1), QColor(0xA4, 0xC3, 0xEC));
    return image;
}

QImage Grip()
{
    QImage image = NewPicture(11, 11);
    QPainter p(&image);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            if (i + j < 2)
                continue;
            const int x = 1 + 4 * i, y = 1 + 4 * j;
            p.fillRect(QRect(x + 1, y + 1, 2, 2), Tc(kCaption, 150));
            p.fillRect(QRect(x, y, 2, 2), QColor(255, 255, 255, 230));
        }
    return image;
}

// Opacity that is 1 near the bottom-right corner and fades to 0 well before the top and left
// edges, so the bitmap meets the list colour without a seam wherever it is placed.
static void CornerFade(QImage& layer, qreal full, qreal none)
{
    layer = layer.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < layer.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const qreal d = qSqrt(qreal((255 - x) * (255 - x) + (255 - y) * (255 - y)));
            const qreal k = std::clamp((none - d) / (none - full), 0.0, 1.0);
            const qreal s = k * k * (3 - 2 * k);
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), int(qAlpha(line[x]) * s + 0.5));
        }
    }
}

// A faint film reel watermark in the bottom-right corner of the list.
QImage ListBackground()
{
    QImage layer = NewPicture(256, 256);
    {
        QPainter p(&layer);
        Smooth(p);
        const QPointF c(192, 192);
        QPainterPath reel;
        reel.addEllipse(c, 100, 100);
        for (int k = 0; k < 5; ++k) {
            const qreal a = qDegreesToRadians(90.0 + 72.0 * k);
            QPainterPath hole;
            hole.addEllipse(c + QPointF(qCos(a), -qSin(a)) * 56, 27, 27);
            reel = reel.subtracted(hole);
        }
        QPainterPath hub;
        hub.addEllipse(c, 12, 12);
        reel = reel.subtracted(hub);
        p.setPen(QPen(QColor(0xD2, 0xD8, 0xE5), 2));
        p.setBrush(Vertical(QRectF(92, 92, 200, 200), QColor(0xE2, 0xE5, 0xEC), QColor(0xD9, 0xDE, 0xE9)));
        p.drawPath(reel);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xDA, 0xDE, 0xE8), 3));
        p.drawEllipse(c, 88, 88);
        p.drawEllipse(c, 22, 22);
    }
    CornerFade(layer, 140, 235);
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(Tc(kList));
    Compose(image, layer);
    return image.convertToFormat(QImage::Format_RGB888);
}

// Multiplies alpha by a fade towards the right and bottom edges, so the picture has no edge.
static void EdgeFade(QImage& image, int fadeRight, int fadeBottom)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const qreal s = image.devicePixelRatio(); // distances in logical pixels
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const qreal ky = std::clamp(qreal(h - 1 - y) / (fadeBottom * s), 0.0, 1.0);
        for (int x = 0; x < w; ++x) {
            const qreal kx = std::clamp(qreal(w - 1 - x) / (fadeRight * s), 0.0, 1.0);
            const qreal k = kx * ky;
            line[x]
                = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), int(qAlpha(line[x]) * k * k + 0.5));
        }
    }
}

// Light behind the tool buttons: a soft glow with a few sweeping lines.
QImage Header()
{
    QImage image = NewPicture(400, 200);
    {
        QPainter p(&image);
        Smooth(p);
        p.save();
        p.translate(170, 30);
        p.scale(1.0, 0.45);
        QRadialGradient glow(QPointF(0, 0), 330);
        glow.setColorAt(0, QColor(255, 255, 255, 120));
        glow.setColorAt(0.5, QColor(235, 244, 255, 55));
        glow.setColorAt(1, QColor(235, 244, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(0, 0), 330, 330);
        p.restore();
        const struct {
            qreal y0, y1, width;
            int alpha;
        } sweeps[] = { { 150, 10, 14, 18 }, { 132, 30, 3, 45 }, { 160, 48, 1.5, 70 }, { 124, 62, 1, 55 } };
        for (const auto& s : sweeps) {
            QPainterPath path;
            path.moveTo(-10, s.y0);
            path.cubicTo(120, s.y0 + 20, 250, s.y1 + 60, 410, s.y1);
            p.setPen(QPen(QColor(255, 255, 255, s.alpha), s.width, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(path);
        }
    }
    EdgeFade(image, 140, 70);
    return image;
}

static QFont SkinFont(qreal pixelSize, bool bold, bool italic = false)
{
    QFont f("Trebuchet MS");
    f.setPixelSize(int(pixelSize));
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// A strip of film running along a curve: frames between two rows of sprocket holes.
static void FilmRibbon(QPainter& p, const QPainterPath& spine, qreal halfWidth)
{
    p.save();
    QPainterPathStroker stroker;
    stroker.setWidth(2 * halfWidth);
    stroker.setCapStyle(Qt::FlatCap);
    const QPainterPath band = stroker.createStroke(spine);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x2E, 0x66, 210));
    p.drawPath(band);
    const qreal length = spine.length();
    for (qreal s = 6; s < length; s += 13) {
        const qreal t = spine.percentAtLength(s);
        p.save();
        p.translate(spine.pointAtPercent(t));
        p.rotate(-spine.angleAtPercent(t));
        p.setBrush(QColor(0xE8, 0xF1, 0xFF, 200));
        p.drawRoundedRect(QRectF(-3, -halfWidth + 3, 6, 5), 1.2, 1.2);
        p.drawRoundedRect(QRectF(-3, halfWidth - 8, 6, 5), 1.2, 1.2);
        if (int(s) % 52 == 6) {
            const QRectF frame(2, -halfWidth + 11, 46, 2 * halfWidth - 22);
            p.setBrush(Vertical(frame, QColor(0xBF, 0xDC, 0xFF, 210), QColor(0x6F, 0xA8, 0xEE, 210)));
            p.drawRoundedRect(frame, 2, 2);
            QPainterPath hill; // a hill in every frame, as on the add button's film card
            hill.moveTo(frame.bottomLeft());
            hill.cubicTo(frame.left() + 14, frame.top() + 8, frame.left() + 26, frame.top() + 6,
                frame.right(), frame.bottom() - 6);
            hill.lineTo(frame.bottomRight());
            hill.closeSubpath();
            p.setBrush(Vertical(frame, QColor(0x8C, 0xD8, 0x6A, 210), QColor(0x3B, 0x9A, 0x3E, 210)));
            p.drawPath(hill);
        }
        p.restore();
    }
    p.restore();
}

static void SplashBackground(QPainter& p, const QRectF& r)
{
    QLinearGradient sky(r.topLeft(), r.bottomRight());
    sky.setColorAt(0, QColor(0x1A, 0x46, 0x92));
    sky.setColorAt(0.55, QColor(0x4C, 0x7E, 0xC2));
    sky.setColorAt(1, Tc(kWindow));
    p.fillRect(r, sky);
    QRadialGradient glow(QPointF(r.center().x(), 90), 300);
    glow.setColorAt(0, QColor(255, 255, 255, 110));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(r, glow);
    for (int k = 0; k < 3; ++k) {
        QPainterPath sweep;
        sweep.moveTo(-20, 250 - 30 * k);
        sweep.cubicTo(150, 170 - 20 * k, 380, 330 - 25 * k, 600, 150 - 30 * k);
        p.setPen(QPen(QColor(255, 255, 255, 30 + 15 * k), 1.5 + 6 * (2 - k), Qt::SolidLine, Qt::RoundCap));
        p.drawPath(sweep);
    }
}

static void ShadowedText(
    QPainter& p, const QRectF& box, const QFont& font, const QString& text, const QColor& color)
{
    p.setFont(font);
    p.setPen(QColor(0x08, 0x1E, 0x4A, 140));
    p.drawText(box.translated(0, 2), Qt::AlignCenter, text);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, text);
}

QImage Splash()
{
    QImage image(570, 330, QImage::Format_RGB32);
    QPainter p(&image);
    Smooth(p);
    const QRectF r = image.rect();
    SplashBackground(p, r);
    QPainterPath spine;
    spine.moveTo(-10, 300);
    spine.cubicTo(160, 250, 380, 320, 580, 262);
    FilmRibbon(p, spine, 24);
    SoftShadow(p, QPointF(285, 128), 50, 8, 120);
    GlossyDisc(p, QPointF(285, 78), 46, Tc(kGoldLight), Tc(kGoldDark));
    DrawCycleArrows(p, QPointF(285, 79), 25, 9, Qt::white);
    // The title fills most of the width in one line.
    const QString title = QStringLiteral("Zantro Vidmorph for Palomar");
    QFont font = SkinFont(40, true);
    while (QFontMetricsF(font).horizontalAdvance(title) > 520 && font.pixelSize() > 12)
        font.setPixelSize(font.pixelSize() - 1);
    ShadowedText(p, QRectF(0, 138, 570, 50), font, title, Qt::white);
    ShadowedText(p, QRectF(0, 186, 570, 24), SkinFont(17, false, true),
        QStringLiteral("batch video converter"), QColor(0xDC, 0xE9, 0xFA));
    p.setFont(SkinFont(12, false));
    p.setPen(QColor(255, 255, 255, 210));
    p.drawText(QRectF(0, 0, 556, 318), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Loading..."));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Tc(kLine), 1));
    p.drawRect(QRectF(0.5, 0.5, 569, 329));
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawRect(QRectF(1.5, 1.5, 567, 327));
    return image;
}

} // namespace skin
