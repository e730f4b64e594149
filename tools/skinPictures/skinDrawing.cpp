#include "skinDrawing.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace skin {

namespace {
int gScale = 1;
}

TPictureScale::TPictureScale(int scale)
    : previous_(gScale)
{
    gScale = scale;
}

TPictureScale::~TPictureScale()
{
    gScale = previous_;
}

QImage NewPicture(int width, int height)
{
    QImage image(width * gScale, height * gScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(gScale);
    image.fill(Qt::transparent);
    return image;
}

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QLinearGradient Vertical(const QRectF& rect, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void Gloss(QPainter& p, const QPainterPath& shape, qreal strength)
{
    const QRectF r = shape.boundingRect();
    // The sheen is an ellipse wider than the shape whose lower edge curves through its middle.
    QPainterPath sheen;
    sheen.addEllipse(
        QRectF(r.left() - r.width() * 0.25, r.top() - r.height() * 0.55, r.width() * 1.5, r.height() * 1.05));
    QLinearGradient g(r.topLeft(), QPointF(r.left(), r.top() + r.height() * 0.5));
    g.setColorAt(0, QColor(255, 255, 255, std::clamp(int(200 * strength), 0, 255)));
    g.setColorAt(1, QColor(255, 255, 255, std::clamp(int(30 * strength), 0, 255)));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(shape.intersected(sheen));
    p.restore();
}

void SoftShadow(QPainter& p, QPointF centre, qreal rx, qreal ry, int alpha)
{
    p.save();
    p.translate(centre);
    p.scale(1.0, ry / rx);
    QRadialGradient g(QPointF(0, 0), rx);
    g.setColorAt(0, QColor(10, 30, 70, alpha));
    g.setColorAt(0.6, QColor(10, 30, 70, alpha / 3));
    g.setColorAt(1, QColor(10, 30, 70, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), rx, rx);
    p.restore();
}

void GlossyDisc(QPainter& p, QPointF centre, qreal radius, const QColor& light, const QColor& dark)
{
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    const QRectF r = disc.boundingRect();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(r, light, dark));
    p.drawPath(disc);
    // Light bouncing up from below gives the glass its depth.
    QRadialGradient glow(QPointF(centre.x(), r.bottom()), radius * 1.1);
    QColor bounce = light;
    bounce.setAlpha(170);
    glow.setColorAt(0, bounce);
    glow.setColorAt(1, QColor(light.red(), light.green(), light.blue(), 0));
    p.setBrush(glow);
    p.drawPath(disc);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark.darker(135), std::max(1.0, radius / 14.0)));
    p.drawEllipse(centre, radius - p.pen().widthF() / 2, radius - p.pen().widthF() / 2);
    p.restore();
    Gloss(p, disc, radius < 10 ? 0.8 : 1.0);
}

// Applies fn to every pixel's unpremultiplied colour.
template <typename Fn> static void EachPixel(QImage& image, Fn fn)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = fn(line[x]);
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void Lighten(QImage& image, qreal amount)
{
    EachPixel(image, [amount](QRgb c) {
        auto up = [amount](int v) { return int(v + (255 - v) * amount + 0.5); };
        return qRgba(up(qRed(c)), up(qGreen(c)), up(qBlue(c)), qAlpha(c));
    });
}

void Darken(QImage& image, qreal amount)
{
    EachPixel(image, [amount](QRgb c) {
        auto down = [amount](int v) { return int(v * (1 - amount) + 0.5); };
        return qRgba(down(qRed(c)), down(qGreen(c)), down(qBlue(c)), qAlpha(c));
    });
}

void GreyOut(QImage& image, qreal alphaScale)
{
    EachPixel(image, [alphaScale](QRgb c) {
        const int grey = qGray(c);
        const int flat = int(150 + (grey - 150) * 0.55 + 0.5); // less contrast, middle grey
        return qRgba(flat, flat, flat, int(qAlpha(c) * alphaScale + 0.5));
    });
}

void Compose(QImage& base, const QImage& layer)
{
    QPainter p(&base);
    p.drawImage(0, 0, layer);
}

} // namespace skin
