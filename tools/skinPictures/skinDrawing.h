#pragma once
// Drawing primitives shared by all skin pictures: glossy shapes, soft shadows and the per-state
// colour treatments. Coordinates are in pixels of the target picture (floating point: shapes are
// anti-aliased).
#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace skin {

// A transparent ARGB picture of the given size in logical pixels, ready for painting. While a
// TPictureScale lives, it has that many device pixels per logical pixel (its device pixel ratio),
// and painters on it still work in logical pixels.
QImage NewPicture(int width, int height);

// Draws the pictures made while it lives at `scale` times their size (the @2x pictures).
class TPictureScale {
public:
    explicit TPictureScale(int scale);
    ~TPictureScale();
    TPictureScale(const TPictureScale&) = delete;
    TPictureScale& operator=(const TPictureScale&) = delete;

private:
    int previous_;
};
// Render hints every picture uses: anti-aliased shapes and smooth scaling.
void Smooth(QPainter& p);

// A vertical two-colour gradient across rect.
QLinearGradient Vertical(const QRectF& rect, const QColor& top, const QColor& bottom);

// The gloss of a glass surface: a white sheen over the upper part of the shape, fading down.
void Gloss(QPainter& p, const QPainterPath& shape, qreal strength = 1.0);
// A soft elliptic shadow centred at centre, radii rx and ry.
void SoftShadow(QPainter& p, QPointF centre, qreal rx, qreal ry, int alpha);
// A disc with a light top and dark bottom, a darker rim and a gloss.
void GlossyDisc(QPainter& p, QPointF centre, qreal radius, const QColor& light, const QColor& dark);

// Per-state treatments of a finished picture (alpha is kept unless said otherwise).
void Lighten(QImage& image, qreal amount); // mix towards white, 0..1
void Darken(QImage& image, qreal amount); // scale towards black, 0..1
void GreyOut(QImage& image, qreal alphaScale); // grey, flattened contrast, faded alpha

// Blends layer over base (same size).
void Compose(QImage& base, const QImage& layer);

} // namespace skin
