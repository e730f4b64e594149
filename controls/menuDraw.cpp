#include "controls/menuDraw.h"

#include "controls/pngImageList.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QSet>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

constexpr TColor kItemBackground = 0xFAFAFA;
constexpr TColor kGutter = 0xEEEEE9;
constexpr TColor kLine = 0xC5C5C5;
constexpr TColor kText = 0x6E1500;
constexpr TColor kTextDisabled = 0xDEC5D8;
constexpr TColor kCaptionFrom = 0xEFE8E4, kCaptionTo = 0xDEC5B8;
constexpr TColor kHintFrom = 0xD8BAAB, kHintTo = 0xEFE8E4;
constexpr TColor kSeparatorBackground = 0xEEE7DD;

QFont MenuFont(bool bold)
{
    QFont f(QStringLiteral("Trebuchet MS"), 9);
    f.setBold(bold);
    return f;
}

// Size of text as drawn with "&" marking the accelerator; empty text measures 0 x 0.
QSize TextSize(const QFont& font, const QString& text)
{
    if (text.isEmpty())
        return QSize(0, 0);
    return QFontMetrics(font).size(Qt::TextShowMnemonic, text);
}

QString Caption(const QAction* a)
{
    const QString text = a->text().section(u'\t', 0, 0);
    return a->isSeparator() && text.isEmpty() ? QStringLiteral("-") : text;
}

QString ShortcutText(const QAction* a)
{
    return a->shortcut().toString(QKeySequence::NativeText);
}

int ImageIndexOf(const QAction* a)
{
    const QVariant v = a->property(TMenuDraw::ImageIndexProperty);
    return v.isValid() ? v.toInt() : -1;
}

// The rounded rectangle of the highlight: r without its four corner pixels.
QRegion RoundedRegion(QRect r)
{
    QRegion region(r);
    for (const QPoint& c : { r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight() })
        region -= QRegion(c.x(), c.y(), 1, 1);
    return region;
}

void RoundedOutline(QPainter& p, QRect r, TColor color)
{
    const int l = r.left(), t = r.top(), rt = r.right() + 1, b = r.bottom() + 1;
    DrawLine(p, { l + 1, t }, { rt - 1, t }, color);
    DrawLine(p, { l + 1, b - 1 }, { rt - 1, b - 1 }, color);
    DrawLine(p, { l, t + 1 }, { l, b - 1 }, color);
    DrawLine(p, { rt - 1, t + 1 }, { rt - 1, b - 1 }, color);
}

void DrawGutter(QPainter& p, QRect r)
{
    FillRect(p, r.left(), r.top(), r.left() + TMenuDraw::GutterRight, r.bottom() + 1, kGutter);
    DrawLine(p, { r.left() + TMenuDraw::GutterRight, r.top() },
        { r.left() + TMenuDraw::GutterRight, r.bottom() + 1 }, kLine);
}

} // namespace

// Draws and measures the attached actions of one menu; everything else is the base style's.
class TMenuDraw::Style : public QProxyStyle {
    Q_OBJECT
public:
    Style(const TMenuDraw* owner, QMenu* menu, const TPngImageList* images)
        : owner_(owner)
        , menu_(menu)
        , images_(images)
    {
        for (QAction* a : menu->actions()) {
            actions_.insert(a);
            QObject::connect(a, &QObject::destroyed, this, [this, a] { actions_.remove(a); });
        }
    }

    QPointer<QMenu> Menu() const { return menu_; }
    bool Contains(const QAction* a) const { return actions_.contains(a); }

    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* p, const QWidget* widget) const override
    {
        if (element == CE_MenuItem && widget == menu_) {
            const QAction* a = menu_->actionAt(option->rect.center());
            if (a && Contains(a)) {
                const bool selected = option->state & State_Selected;
                if (a->isSeparator())
                    owner_->DrawSeparator(*p, a, option->rect, images_);
                else
                    owner_->DrawItem(*p, a, option->rect, selected, images_);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, p, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
        const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type != CT_MenuItem || widget != menu_ || !item)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        // The option does not name its action: every attached action that would give this option
        // is measured and the largest size taken, so no item is ever cut.
        const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
        const QString caption = item->text.section(u'\t', 0, 0);
        QSize result;
        for (const QAction* a : menu_->actions()) {
            if (!Contains(a) || a->isSeparator() != separator
                || (!separator && a->text().section(u'\t', 0, 0) != caption))
                continue;
            result = result.expandedTo(owner_->Measure(a, images_));
        }
        return result.isValid() ? result : QProxyStyle::sizeFromContents(type, option, size, widget);
    }

private:
    const TMenuDraw* owner_;
    QPointer<QMenu> menu_;
    const TPngImageList* images_;
    QSet<const QAction*> actions_;
};

TMenuDraw::TMenuDraw() = default;

TMenuDraw::~TMenuDraw()
{
    // The menus outlive this painter; they go back to the application style, never to a dangling one.
    for (auto& style : styles_)
        if (QMenu* menu = style->Menu())
            menu->setStyle(nullptr);
}

void TMenuDraw::Attach(QMenu* menu, const TPngImageList* images)
{
    attached_ = menu;
    if (!menu)
        return;
    for (QAction* a : menu->actions())
        if (a->text() == u"-")
            a->setSeparator(true);
    auto style = std::make_unique<Style>(this, menu, images);
    menu->setStyle(style.get());
    styles_.push_back(std::move(style));
}

bool TMenuDraw::IsOwnerDrawn(const QAction* action) const
{
    return std::any_of(styles_.begin(), styles_.end(), [&](const auto& s) { return s->Contains(action); });
}

QSize TMenuDraw::Measure(const QAction* action, const TPngImageList* images) const
{
    const QFont bold = MenuFont(true);
    const QSize caption = TextSize(bold, Caption(action));
    int w1 = caption.width();
    if (!action->shortcut().isEmpty())
        w1 += QFontMetrics(bold).horizontalAdvance(ShortcutText(action)) + 8;
    const QSize hint = TextSize(MenuFont(false), action->statusTip());
    const int width = std::max(w1, hint.width()) + 8 + (images ? GutterRight : 0);
    return QSize(width, caption.height() + hint.height() + 8);
}

void TMenuDraw::DrawItem(
    QPainter& p, const QAction* action, QRect r, bool selected, const TPngImageList* images) const
{
    p.save();
    const QFont bold = MenuFont(true);
    const int h1 = TextSize(bold, Caption(action)).height();
    p.fillRect(r, ToQColor(kItemBackground));
    if (images)
        DrawGutter(p, r);

    const QString hint = action->statusTip();
    if (selected) {
        p.save();
        p.setClipRegion(RoundedRegion(r), Qt::IntersectClip);
        if (!hint.isEmpty() && splitHighlight_) {
            const int split = r.top() + h1 + 4;
            GradientFill(p, MakeRect(r.left(), r.top(), r.right() + 1, split), Bands, gdVertical,
                kCaptionFrom, kCaptionTo);
            GradientFill(p, MakeRect(r.left(), split, r.right() + 1, r.bottom() + 1), Bands, gdVertical,
                kHintFrom, kHintTo);
        } else {
            GradientFill(p, r, Bands, gdVertical, kCaptionFrom, kCaptionTo);
        }
        p.restore();
        RoundedOutline(p, r, kLine);
    }

    const int textLeft = r.left() + (images ? 30 : 4);
    p.setPen(ToQColor(action->isEnabled() ? kText : kTextDisabled));
    p.setFont(bold);
    const QRect captionRect = MakeRect(textLeft, r.top() + 2, r.right() + 1 - 4, r.bottom() + 1);
    p.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, Caption(action));
    if (!action->shortcut().isEmpty())
        p.drawText(captionRect, Qt::AlignRight | Qt::AlignTop, ShortcutText(action));
    p.setFont(MenuFont(false));
    p.drawText(MakeRect(textLeft, r.top() + h1 + 4, r.right() + 1 - 4, r.bottom() + 1),
        Qt::AlignLeft | Qt::AlignTop, hint);

    const int imageIndex = ImageIndexOf(action);
    if (imageIndex >= 0 && images && drawImages_)
        images->Draw(p, r.left() + 4, r.top() + 2, imageIndex);
    p.restore();
}

void TMenuDraw::DrawSeparator(QPainter& p, const QAction* action, QRect r, const TPngImageList* images) const
{
    p.save();
    const int left = r.left(), right = r.right() + 1, bottom = r.bottom() + 1;
    p.fillRect(r, ToQColor(kSeparatorBackground));
    DrawLine(p, { left, bottom - 2 }, { right, bottom - 2 }, kLine);
    DrawLine(p, { left, bottom - 1 }, { right, bottom - 1 }, kItemBackground);
    const QString title = action->statusTip();
    if (!title.isEmpty()) {
        p.setFont(MenuFont(true));
        p.setPen(ToQColor(kText));
        const QRect area = MakeRect(left + (images ? 10 : 4), r.top(), right - 4, bottom);
        p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    } else if (images) {
        DrawGutter(p, r);
    }
    p.restore();
}

bool TMenuDraw::GradientFill(
    QPainter& p, QRect r, int n, TGradientDirection direction, TColor from, TColor to)
{
    if (n < 1)
        return false;
    const TColor a = ColorToRGB(from), b = ColorToRGB(to);
    const double stepR = double(GetRValue(b) - GetRValue(a)) / n;
    const double stepG = double(GetGValue(b) - GetGValue(a)) / n;
    const double stepB = double(GetBValue(b) - GetBValue(a)) / n;
    const bool vertical = direction == gdVertical;
    const double size = double(vertical ? r.height() : r.width()) / n;
    for (int i = 0; i < n; ++i) {
        const int red = RoundHalfEven(GetRValue(a) + (i + 1) * stepR) & 0xFF;
        const int green = RoundHalfEven(GetGValue(a) + (i + 1) * stepG) & 0xFF;
        const int blue = RoundHalfEven(GetBValue(a) + (i + 1) * stepB) & 0xFF;
        const int from_ = RoundHalfEven(i * size), to_ = RoundHalfEven((i + 1) * size);
        if (to_ <= from_)
            continue;
        const QRect band = vertical ? QRect(r.left(), r.top() + from_, r.width(), to_ - from_)
                                    : QRect(r.left() + from_, r.top(), to_ - from_, r.height());
        p.fillRect(band, QColor(red, green, blue));
    }
    return true;
}

#include "menuDraw.moc"
