#include "controls/FSProgressBar.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace {

struct SchemeColors {
    TColor border, backFace, backGrad, foreFace, foreGrad;
};

// Indexed by TColorScheme - 1 (csCustom has no colours of its own).
constexpr std::array<SchemeColors, 12> kSchemes { {
    { 0x005680, 0xC6ECFF, 0xFFFFFF, 0x9BDEFF, 0x007BB7 }, // csDesert
    { 0x156F37, 0xCBF5DC, 0xFFFFFF, 0xC9F5DB, 0x28C162 }, // csGrass
    { 0x6B6B6B, 0xE0E0E0, 0xFFFFFF, 0xF0F0F0, 0xADADAD }, // csSilver
    { 0xB35900, 0xFFEAD5, 0xFFFFFF, 0xFFEEDD, 0xFFAE5E }, // csSky
    { 0x00009D, 0xD7D7FF, 0xFFFFFF, 0xE8E8FF, 0x8080FF }, // csRose
    { 0x006464, 0xCEFFFF, 0xFFFFFF, 0xDFFFFF, 0x05BCDC }, // csSun
    { 0x000000, 0x005500, 0x008000, 0x91ECAE, 0x00AA00 }, // csHackers
    { 0x000000, 0x804000, 0xA85400, 0xFFCB97, 0xEC7600 }, // csNight
    { 0x000000, 0x000059, 0x46468C, 0x9F9FF2, 0x4848BB }, // csVelvet
    { 0x000000, 0x464646, 0x6F6F6F, 0xCECECE, 0x737373 }, // csMetal
    { 0x000000, 0x800040, 0xCA0065, 0xFFB7DB, 0xFF3399 }, // csViolet
    { 0x000000, 0x2C5656, 0x3E7B7B, 0xBCDEDE, 0x468E8E }, // csToxic
} };

enum class GradientMode { Rows, Columns };

QRgb ToRgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// One colour channel of a gradient: the running value starts at `from` and grows by
// (to - from) / n per line, in double precision; each line takes the running value rounded half
// to even. Accumulating (rather than from + i x step) decides how values near exact halves round.
class Ramp {
public:
    Ramp(int from, int to, int n)
        : value_(from)
        , step_(n > 0 ? double(to - from) / n : 0.0)
    {
    }
    int Next()
    {
        const int v = std::clamp(RoundHalfEven(value_), 0, 255);
        value_ += step_;
        return v;
    }

private:
    double value_;
    double step_;
};

// N + 1 one-pixel lines (N = bottom - top in row mode, right - left in column mode). Line i lies
// at row (column) i counted from 0, not from top (left), and runs from left (top) for right
// (bottom) pixels. Colours are taken as stored (plain 0x00BBGGRR); N = 0 draws the start colour.
void Gradient(
    QImage& img, int left, int top, int right, int bottom, TColor from, TColor to, GradientMode mode)
{
    const bool rows = mode == GradientMode::Rows;
    const int n = rows ? bottom - top : right - left;
    const QSize size = LogicalSize(img);
    const int last = std::min(n, (rows ? size.height() : size.width()) - 1); // the rest is clipped
    Ramp r(GetRValue(from), GetRValue(to), n), g(GetGValue(from), GetGValue(to), n),
        b(GetBValue(from), GetBValue(to), n);
    for (int i = 0; i <= last; ++i) {
        const QRgb c = qRgb(r.Next(), g.Next(), b.Next());
        if (rows)
            FillImageRect(img, left, i, left + right, i + 1, c);
        else
            FillImageRect(img, i, top, i + 1, top + bottom, c);
    }
}

void Border(QImage& img, TColor color)
{
    const int w = LogicalSize(img).width(), h = LogicalSize(img).height();
    const QRgb c = ToRgb(color);
    FillImageRect(img, 0, 0, w, 1, c);
    FillImageRect(img, 0, h - 1, w, h, c);
    FillImageRect(img, 0, 0, 1, h, c);
    FillImageRect(img, w - 1, 0, w, h, c);
}

} // namespace

TFSProgressBar::TFSProgressBar(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted
    resize(200, 16);
    SetColorScheme(csDesert);
}

void TFSProgressBar::SetColor(TBarColor index, TColor color)
{
    switch (index) {
    case TBarColor::Border:
        colorBorder_ = color;
        break;
    case TBarColor::BackFace:
        backColorFace_ = color;
        break;
    case TBarColor::BackGrad:
        backColorGrad_ = color;
        break;
    case TBarColor::ForeFace:
        foreColorFace_ = color;
        break;
    case TBarColor::ForeGrad:
        foreColorGrad_ = color;
        break;
    default:
        break;
    }
    colorScheme_ = csCustom;
    update();
}

void TFSProgressBar::SetColorScheme(TColorScheme scheme)
{
    colorScheme_ = scheme;
    if (scheme != csCustom && scheme <= csToxic) {
        const SchemeColors& s = kSchemes[scheme - 1];
        colorBorder_ = s.border;
        backColorFace_ = s.backFace;
        backColorGrad_ = s.backGrad;
        foreColorFace_ = s.foreFace;
        foreColorGrad_ = s.foreGrad;
    }
    update();
}

void TFSProgressBar::SetMax(int value)
{
    if (value < min_)
        return;
    max_ = value;
    repaint();
}

void TFSProgressBar::SetMin(int value)
{
    if (value > max_)
        return;
    min_ = value;
    repaint();
}

void TFSProgressBar::SetPosition(int value)
{
    if (value < min_)
        return;
    position_ = value;
    repaint();
}

void TFSProgressBar::SetStep(int value)
{
    step_ = value;
    repaint();
}

void TFSProgressBar::SetOrientation(TProgressBarOrientation value)
{
    orientation_ = value;
    update();
}

double TFSProgressBar::Share(int extent) const
{
    // 64-bit and floating point: a 32-bit product would overflow for large ranges.
    const int64_t span = int64_t(max_) - min_;
    return double(int64_t(extent) * (int64_t(position_) - min_)) / double(span);
}

int TFSProgressBar::FillLength() const
{
    if (max_ == min_)
        return 0;
    const int w = width();
    // Beyond the bar the fill is clipped anyway; clamping keeps the rounding in range.
    return RoundHalfEven(std::clamp(Share(w - 2), 0.0, double(std::max(w, 0))));
}

int TFSProgressBar::FillTop() const
{
    const int h = height();
    if (max_ == min_)
        return h - 1;
    return h - (RoundHalfEven(std::clamp(Share(h - 2), 0.0, double(std::max(h, 0)))) + 1);
}

void TFSProgressBar::ComposeHorizontal(QImage& img) const
{
    const int w = LogicalSize(img).width(), h = LogicalSize(img).height();
    const int f = FillLength();
    Gradient(img, 1, 1, w - 1, h - 1, backColorFace_, backColorGrad_, GradientMode::Rows);
    Gradient(img, 0, 0, f, h, foreColorFace_, foreColorGrad_, GradientMode::Rows);
    FillImageRect(img, 1, 1, 2, h, LogicalPixel(img, 1, 1, ToRgb(colorBorder_)));
    FillImageRect(img, f, 1, f + 1, h, LogicalPixel(img, 2, h - 2, ToRgb(colorBorder_)));
}

void TFSProgressBar::ComposeVertical(QImage& img) const
{
    const int w = LogicalSize(img).width(), h = LogicalSize(img).height();
    const int t = FillTop();
    Gradient(img, 1, 1, w - 1, h, backColorFace_, backColorGrad_, GradientMode::Columns);
    Gradient(img, 0, t, w, h, foreColorFace_, foreColorGrad_, GradientMode::Columns);
    FillImageRect(img, 1, h - 2, w, h - 1, LogicalPixel(img, 2, h - 2, ToRgb(colorBorder_)));
    FillImageRect(img, 1, t, w, t + 1, LogicalPixel(img, w - 3, h - 3, ToRgb(colorBorder_)));
}

QImage TFSProgressBar::Compose() const
{
    if (width() <= 0 || height() <= 0)
        return QImage();
    QImage img = NewControlImage(size(), devicePixelRatioF());
    if (img.isNull())
        return img;
    img.fill(Qt::white);
    if (orientation_ == pbHorizontal)
        ComposeHorizontal(img);
    else
        ComposeVertical(img);
    Border(img, colorBorder_);
    return img;
}

void TFSProgressBar::paintEvent(QPaintEvent*)
{
    if (!isVisible() || width() <= 0 || height() <= 0)
        return;
    QPainter p(this);
    p.drawImage(0, 0, Compose());
}

void TFSProgressBar::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TFSProgressBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
}

void TFSProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool click = event->button() == Qt::LeftButton && leftDown_ && rect().contains(pos);
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (click && OnClick)
        OnClick(this);
}
