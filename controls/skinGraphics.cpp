#include "controls/skinGraphics.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstdlib>

static QColor SystemQColor(int index)
{
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 5:
        return pal.color(QPalette::Active, QPalette::Base);
    case 8:
        return pal.color(QPalette::Active, QPalette::Text);
    case 13:
        return pal.color(QPalette::Active, QPalette::Highlight);
    case 14:
        return pal.color(QPalette::Active, QPalette::HighlightedText);
    case 15:
        return pal.color(QPalette::Active, QPalette::Button);
    case 16:
        return pal.color(QPalette::Active, QPalette::Dark);
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case 20:
        return pal.color(QPalette::Active, QPalette::Light);
    case 23:
        return pal.color(QPalette::Active, QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::Active, QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Active, QPalette::Window);
    }
}

TColor FromQColor(const QColor& c)
{
    return RGBColor(c.red(), c.green(), c.blue());
}

TColor ColorToRGB(TColor c)
{
    if (IsSystemColor(c))
        return FromQColor(SystemQColor(c & 0xFF));
    return c & 0x00FFFFFF;
}

QColor ToQColor(TColor c)
{
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value)); // default FE_TONEAREST: ties to even
}

void FillRect(QPainter& p, int left, int top, int right, int bottom, TColor color)
{
    if (right <= left || bottom <= top)
        return;
    p.fillRect(MakeRect(left, top, right, bottom), ToQColor(color));
}

void DrawLine(QPainter& p, QPoint a, QPoint b, TColor color)
{
    const int dx = b.x() - a.x(), dy = b.y() - a.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0)
        return;
    const QColor q = ToQColor(color);
    if (dy == 0 || dx == 0) { // straight lines in one block
        const int l = dx >= 0 ? a.x() : b.x() + 1, t = dy >= 0 ? a.y() : b.y() + 1;
        p.fillRect(l, t, dy == 0 ? steps : 1, dx == 0 ? steps : 1, q);
        return;
    }
    for (int i = 0; i < steps; ++i) {
        const int x = a.x() + RoundHalfEven(double(dx) * i / steps);
        const int y = a.y() + RoundHalfEven(double(dy) * i / steps);
        p.fillRect(x, y, 1, 1, q);
    }
}

QImage NewControlImage(QSize logical, qreal ratio)
{
    const QSize device(std::max(1, int(std::ceil(logical.width() * ratio))),
        std::max(1, int(std::ceil(logical.height() * ratio))));
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

QSize LogicalSize(const QImage& image)
{
    const qreal r = image.devicePixelRatio();
    return QSize(int(std::lround(image.width() / r)), int(std::lround(image.height() / r)));
}

QRect DeviceRect(const QImage& image, int left, int top, int right, int bottom)
{
    const qreal r = image.devicePixelRatio();
    auto device = [r](int v) { return int(std::lround(v * r)); };
    const int l = std::max(device(left), 0), t = std::max(device(top), 0);
    const int rt = std::min(device(right), image.width()), b = std::min(device(bottom), image.height());
    return QRect(QPoint(l, t), QPoint(std::max(l, rt) - 1, std::max(t, b) - 1));
}

void FillImageRect(QImage& image, int left, int top, int right, int bottom, QRgb color)
{
    const QRect d = DeviceRect(image, left, top, right, bottom);
    for (int y = d.top(); y <= d.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + d.left(), row + d.left() + d.width(), color);
    }
}

QRgb LogicalPixel(const QImage& image, int x, int y, QRgb fallback)
{
    const QRect d = DeviceRect(image, x, y, x + 1, y + 1);
    return x >= 0 && y >= 0 && !d.isEmpty() ? image.pixel(d.topLeft()) : fallback;
}

void InvertLogicalPixel(QImage& image, int x, int y)
{
    if (x < 0 || y < 0)
        return;
    const QRect d = DeviceRect(image, x, y, x + 1, y + 1);
    for (int dy = d.top(); dy <= d.bottom(); ++dy)
        for (int dx = d.left(); dx <= d.right(); ++dx)
            image.setPixel(dx, dy, image.pixel(dx, dy) ^ 0x00FFFFFF);
}
