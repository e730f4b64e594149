#include "controls/MyButtonEx.h"

#include <QApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QShortcutEvent>

#include <algorithm>

namespace {

constexpr TColor kDisabledCaption = 0xC0C0C0;
constexpr int kGlyphGap = 3; // pixels between glyph and caption
constexpr int kPressShift = 2; // pressed glyph and caption move this far

QRgb ToRgb(TColor c)
{
    const TColor rgb = ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// Pixels cut from each end of row y of a rounded rectangle h rows high with a 5 x 5 corner
// ellipse: 2 on the outer rows, 1 on the next, none elsewhere.
int CornerInset(int y, int h)
{
    const int fromEdge = std::min(y, h - 1 - y);
    return fromEdge >= 2 ? 0 : 2 - fromEdge;
}

// Rounded-rectangle window region over (0, 0, w, h), clipped to the widget's w' x h'.
QRegion RoundRegion(int w, int h, int clipW, int clipH)
{
    QRegion region;
    for (int y = 0; y < std::min(h, clipH); ++y) {
        const int inset = CornerInset(y, h);
        const int right = std::min(w - inset, clipW);
        if (right > inset)
            region += QRect(inset, y, right - inset, 1);
    }
    return region;
}

// One-pixel outline of the rounded rectangle (0, 0, w, h).
void RoundBorder(QImage& img, int w, int h, QRgb c)
{
    for (int y = 0; y < h; ++y) {
        const int inset = CornerInset(y, h);
        if (y == 0 || y == h - 1) {
            FillImageRect(img, inset, y, w - inset, y + 1, c);
        } else {
            FillImageRect(img, inset, y, inset + 1, y + 1, c);
            FillImageRect(img, w - 1 - inset, y, w - inset, y + 1, c);
        }
    }
}

// Rows top + 2 to bottom - 1, first (right - left - 2) pixels of each: start + step x (y - top)
// per channel. Equal colours fill the whole rectangle instead.
void FaceGradient(QImage& img, int left, int top, int right, int bottom, TColor from, TColor to)
{
    if (from == to) {
        FillImageRect(img, left, top, right, bottom, ToRgb(from));
        return;
    }
    if (bottom <= top)
        return;
    const TColor a = ColorToRGB(from), b = ColorToRGB(to);
    const int start[3] = { GetRValue(a), GetGValue(a), GetBValue(a) };
    const int end[3] = { GetRValue(b), GetGValue(b), GetBValue(b) };
    double step[3];
    for (int i = 0; i < 3; ++i)
        step[i] = std::min(double(end[i] - start[i]) / (bottom - top), 255.0);
    const QSize size = LogicalSize(img);
    const int count = std::min(right - left - 2, size.width());
    for (int y = std::max(top + 2, 0); y < std::min(bottom, size.height()); ++y) {
        int v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = std::clamp(RoundHalfEven(step[i] * (y - top) + start[i]), 0, 255);
        FillImageRect(img, 0, y, count, y + 1, qRgb(v[0], v[1], v[2]));
    }
}

// Dotted frame over (left, top, right, bottom): every other logical pixel of the outline inverted.
void FocusFrame(QImage& img, int left, int top, int right, int bottom)
{
    auto invert = [&img](int x, int y) {
        if ((x + y) % 2 == 0)
            InvertLogicalPixel(img, x, y);
    };
    for (int x = left; x < right; ++x) {
        invert(x, top);
        if (bottom - 1 > top)
            invert(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        invert(left, y);
        if (right - 1 > left)
            invert(right - 1, y);
    }
}

} // namespace

void FadeGlyph(TPngImage& glyph, int amount)
{
    if (glyph.Empty())
        return;
    const int w = glyph.Width(), h = glyph.Height();
    if (glyph.ColorType() == ctPalette || glyph.ColorType() == ctGrayscale) {
        // Every pixel gets `amount`, partly transparent palette entries too; only the pixels
        // that the tRNS transparency hid stay invisible.
        glyph.ConvertToRGBAlpha();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                glyph.SetAlpha(x, y, uint8_t(glyph.Alpha(x, y) == 0 ? 0 : amount));
        return;
    }
    glyph.CreateAlpha(); // colour without alpha: opaque, the tRNS colour at 0
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            glyph.SetAlpha(x, y, uint8_t(RoundHalfEven(glyph.Alpha(x, y) / 256.0 * (amount + 1))));
}

TMyButtonEx::TMyButtonEx(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(75, 25);
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this] {
            if (isVisible())
                repaint();
        });
    }
}

void TMyButtonEx::SetColorField(TColor& field, TColor value)
{
    field = value;
    update();
}

void TMyButtonEx::SetCaption(const QString& text)
{
    caption_ = text;
    UpdateShortcut();
    update();
}

void TMyButtonEx::SetGlyph(const TPngImage& glyph)
{
    glyph_.Assign(glyph);
    update();
}

void TMyButtonEx::SetEnabled(bool value)
{
    setEnabled(value);
    pressed_ = false;
    repaint();
}

void TMyButtonEx::UpdateShortcut()
{
    if (shortcutId_ != 0)
        releaseShortcut(shortcutId_);
    shortcutId_ = 0;
    const QKeySequence key = QKeySequence::mnemonic(caption_);
    if (!key.isEmpty())
        shortcutId_ = grabShortcut(key, Qt::WindowShortcut);
}

bool TMyButtonEx::CanFocus() const
{
    return isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus;
}

bool TMyButtonEx::event(QEvent* e)
{
    if (e->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(e);
        if (se->shortcutId() == shortcutId_ && shortcutId_ != 0) {
            if (CanFocus())
                Click();
            return true;
        }
    }
    return QWidget::event(e);
}

void TMyButtonEx::Click()
{
    pressed_ = true;
    ButtonClick();
    if (action_)
        action_->trigger();
}

void TMyButtonEx::ButtonClick()
{
    if (isVisible() && isEnabled() && OnClick)
        OnClick(this);
}

void TMyButtonEx::mousePressEvent(QMouseEvent* e)
{
    if (!isEnabled() || e->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    setFocus(Qt::MouseFocusReason);
    repaint();
}

void TMyButtonEx::mouseMoveEvent(QMouseEvent* e)
{
    // Qt keeps delivering moves and the release here while a button is held; once pressed is
    // cleared, that release no longer clicks, as if the capture had been released.
    if (!pressed_ || rect().contains(e->position().toPoint()))
        return;
    pressed_ = false;
    repaint();
}

void TMyButtonEx::mouseReleaseEvent(QMouseEvent*)
{
    if (!pressed_)
        return;
    pressed_ = false;
    repaint();
    ButtonClick();
}

void TMyButtonEx::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    setMask(RoundRegion(width() + 1, height() + 1, width(), height()));
}

TMyButtonEx::Layout TMyButtonEx::ComputeLayout() const
{
    const int w = width(), h = height();
    Layout l {};
    l.textWidth = QFontMetrics(font()).horizontalAdvance(caption_);
    const int shift = pressed_ ? kPressShift : 0;
    if (glyph_.Empty()) {
        l.x0 = (w - l.textWidth) / 2;
        l.captionRect = MakeRect(l.x0, shift, l.x0 + l.textWidth, h + shift);
        return l;
    }
    const int gw = glyph_.Width(), gh = glyph_.Height();
    l.x0 = (w - gw - l.textWidth - kGlyphGap) / 2;
    // Floor, so a glyph taller than the button is centred and clipped at both ends.
    const int yg = (h - gh) >= 0 ? (h - gh) / 2 : -((gh - h + 1) / 2);
    l.glyphRect = QRect(l.x0 + shift, yg + shift, gw, gh);
    const int x = l.x0 + gw + kGlyphGap + shift;
    l.captionRect = MakeRect(x, shift, x + l.textWidth, h + shift);
    return l;
}

QImage TMyButtonEx::Compose() const
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return QImage();
    QImage img = NewControlImage(size(), devicePixelRatioF());
    if (img.isNull())
        return img;
    img.fill(Qt::white);
    const Layout l = ComputeLayout();
    if (pressed_)
        FaceGradient(img, 0, 0, w, h, clickColorFrom_, clickColorTo_);
    else
        FaceGradient(img, 0, 0, w, h, defaultColorFrom_, defaultColorTo_);

    QPainter p(&img);
    if (!glyph_.Empty()) {
        if (isEnabled()) {
            glyph_.Draw(p, l.glyphRect);
        } else {
            TPngImage faded = glyph_;
            FadeGlyph(faded);
            faded.Draw(p, l.glyphRect);
        }
    }
    p.end();
    RoundBorder(img, w, h, ToRgb(borderColor_));

    p.begin(&img);
    p.setFont(font());
    p.setPen(ToQColor(isEnabled() ? fontColor_ : kDisabledCaption));
    p.drawText(l.captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
    return img;
}

void TMyButtonEx::paintEvent(QPaintEvent*)
{
    QImage img = Compose();
    if (img.isNull())
        return;
    if (hasFocus() && isEnabled() && drawFocus_)
        FocusFrame(img, 4, 4, width() - 4, height() - 4);
    QPainter p(this);
    p.drawImage(0, 0, img);
}
