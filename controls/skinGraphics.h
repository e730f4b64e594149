#pragma once
// Colours and the drawing conventions every skinned control shares.
//
// TColor is 0x00BBGGRR (red in the low byte). A value whose top byte is 0xFF names a system colour
// by index; it is resolved through the application palette at drawing time.
// Rectangles include their left and top edges and exclude right and bottom (QRect is built with
// MakeRect from those edges); a line from a to b excludes b. Computed coordinates and colour
// channels round half to even (RoundHalfEven).
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>

class QObject;
class QPainter;

// Events of the skinned controls; the sender is the control that raises them. An empty
// std::function is not raised.
using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseEvent
    = std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clRed = 0x0000FF;

constexpr TColor SystemColor(int index)
{
    return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index));
}
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

constexpr bool IsSystemColor(TColor c)
{
    return (static_cast<uint32_t>(c) >> 24) == 0xFF;
}
// The plain 0x00BBGGRR value of a colour, system colours resolved through the palette.
TColor ColorToRGB(TColor c);
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);
constexpr int GetRValue(TColor c)
{
    return c & 0xFF;
}
constexpr int GetGValue(TColor c)
{
    return (c >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c)
{
    return (c >> 16) & 0xFF;
}
constexpr TColor RGBColor(int r, int g, int b)
{
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
int RoundHalfEven(double value);

// A rectangle from its edges: left/top included, right/bottom excluded.
inline QRect MakeRect(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}
// Fills [left, right) x [top, bottom) with a solid colour; nothing when empty.
void FillRect(QPainter& p, int left, int top, int right, int bottom, TColor color);
// A one-pixel line from a to b, b itself not drawn (horizontal, vertical or diagonal).
void DrawLine(QPainter& p, QPoint a, QPoint b, TColor color);

// A control's picture: an RGB32 image of `logical` size at the device pixel ratio `ratio` (the
// ratio set on it), so painters and the functions below work in logical pixels while text and
// glyphs get every device pixel. Ratio 1 gives the plain 1x picture.
QImage NewControlImage(QSize logical, qreal ratio);
// The image's size in logical pixels (device pixels over the device pixel ratio).
QSize LogicalSize(const QImage& image);
// The device rectangle that logical [left, right) x [top, bottom) covers, clipped to the image.
QRect DeviceRect(const QImage& image, int left, int top, int right, int bottom);

// Fills logical [left, right) x [top, bottom) of a 32-bit-per-pixel QImage directly, clipped to
// the image. Much cheaper than a QPainter for the one-pixel rows and columns the gradients draw.
void FillImageRect(QImage& image, int left, int top, int right, int bottom, QRgb color);
// The colour at logical pixel (x, y), or fallback outside the image.
QRgb LogicalPixel(const QImage& image, int x, int y, QRgb fallback);
// Inverts the colour of the device pixels under logical pixel (x, y); nothing outside the image.
void InvertLogicalPixel(QImage& image, int x, int y);
