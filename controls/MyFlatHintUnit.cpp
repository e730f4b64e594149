#include "controls/MyFlatHintUnit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// Live components in creation order (the first one of a form wins within that form).
std::vector<TMyFlatHint*>& Registry()
{
    static std::vector<TMyFlatHint*> list;
    return list;
}

QPointer<TMyFlatHintFilter>& Filter()
{
    static QPointer<TMyFlatHintFilter> filter;
    return filter;
}

// Runs at the start of the application's destruction, while widgets may still be deleted.
void DeleteFilter()
{
    delete Filter().data();
}

// Installs the application-wide filter once; it stays for the rest of the run.
TMyFlatHintFilter* EnsureFilter()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    if (!Filter()) {
        Filter() = new TMyFlatHintFilter(app);
        qAddPostRoutine(DeleteFilter);
    }
    return Filter();
}

QWidget* FormOf(const TMyFlatHint* hint)
{
    for (QObject* o = hint->parent(); o; o = o->parent())
        if (auto* w = qobject_cast<QWidget*>(o))
            return w->window();
    return nullptr;
}

constexpr int kStripWidth = 14; // arrow strip inside the one-pixel frame
constexpr int kTextExtraWidth = 22; // frame 2 + strip 14 + text padding 6
constexpr int kTextExtraHeight = 6; // frame 2 + text padding 2, plus 2 spare

// The arrow outline relative to its tip, before the direction's signs are applied.
constexpr QPoint kArrow[18]
    = { { 0, 0 }, { 0, 6 }, { 1, 6 }, { 1, 0 }, { 6, 0 }, { 6, 1 }, { 2, 1 }, { 2, 4 }, { 5, 7 }, { 6, 7 },
          { 3, 4 }, { 3, 3 }, { 6, 6 }, { 7, 6 }, { 3, 2 }, { 4, 2 }, { 7, 5 }, { 7, 6 } };

} // namespace

// ---- TMyFlatHint ----------------------------------------------------------------------------

TMyFlatHint::TMyFlatHint(QObject* owner)
    : QObject(owner)
    , font_(QApplication::font())
{
    Registry().push_back(this);
    if (TMyFlatHintFilter* filter = EnsureFilter())
        filter->SetForwarder(this);
}

TMyFlatHint::~TMyFlatHint()
{
    auto& list = Registry();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TMyFlatHint::SetBidiMode(TBiDiMode m)
{
    if (bidiMode_ != m)
        bidiMode_ = m;
}

void TMyFlatHint::DoShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo)
{
    if (OnShowHint)
        OnShowHint(hintStr, canShow, hintInfo);
}

TMyFlatHint* TMyFlatHint::FindHintComponent()
{
    // The most recently activated form comes first, as in the framework's form list; otherwise
    // the earliest component that sits on any form.
    const QWidget* active = QApplication::activeWindow();
    TMyFlatHint* first = nullptr;
    for (TMyFlatHint* hint : Registry()) {
        const QWidget* form = FormOf(hint);
        if (!form)
            continue;
        if (form == active)
            return hint;
        if (!first)
            first = hint;
    }
    return first;
}

TMyFlatHintWindow* TMyFlatHint::HintWindow()
{
    return Filter() ? Filter()->Window() : nullptr;
}

TMyFlatHintFilter* TMyFlatHint::HintFilter()
{
    return Filter();
}

// ---- TMyFlatHintWindow ----------------------------------------------------------------------

TMyFlatHintWindow::TMyFlatHintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

int TMyFlatHintWindow::DirectionFor(QPoint p, QSize screen)
{
    const int sw = screen.width(), sh = screen.height();
    if (MakeRect(0, 0, sw / 2, sh / 2).contains(p))
        return 1;
    if (MakeRect(sw / 2, 0, sw, sh / 2).contains(p))
        return 0;
    if (MakeRect(0, sh / 2, sw / 2, sh).contains(p))
        return 3;
    return 2;
}

QRect TMyFlatHintWindow::WindowRectFor(int direction, QPoint p, QSize size)
{
    const int w = size.width(), h = size.height();
    const int d = direction == 1 ? 12 : 5; // 12 clears the cursor's own arrow
    switch (direction) {
    case 0:
        return MakeRect(p.x() - w - d, p.y() + d, p.x() - d, p.y() + h + d);
    case 1:
        return MakeRect(p.x() + d, p.y() + d, p.x() + w + d, p.y() + h + d);
    case 2:
        return MakeRect(p.x() - w - d, p.y() - h - d, p.x() - d, p.y() - d);
    default:
        return MakeRect(p.x() + d, p.y() - h - d, p.x() + w + d, p.y() - d);
    }
}

QRect TMyFlatHintWindow::KeptOnScreen(QRect bounds, QPoint cursor, QSize screen)
{
    const QRect area(QPoint(0, 0), screen);
    if (!area.contains(cursor))
        return bounds; // another screen: its size is not known here
    // A hint taller or wider than the room toward the middle slides back; its top-left stays visible.
    bounds.moveRight(std::min(bounds.right(), area.right()));
    bounds.moveBottom(std::min(bounds.bottom(), area.bottom()));
    bounds.moveLeft(std::max(bounds.left(), 0));
    bounds.moveTop(std::max(bounds.top(), 0));
    return bounds;
}

void TMyFlatHintWindow::ActivateHint(QRect rect, const QString& text)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(0, 0);
    ActivateHintAt(rect, text, QCursor::pos(), size);
}

void TMyFlatHintWindow::ActivateHintAt(QRect rect, const QString& text, QPoint cursor, QSize screen)
{
    text_ = text;
    TMyFlatHint* hint = TMyFlatHint::FindHintComponent();
    hint_ = hint;
    if (!hint)
        return;
    canvasFont_ = hint->Font();

    // A width below one pixel would make the measurement meaningless; one word per line instead.
    rect.setWidth(std::max(1, hint->MaxHintWidth() - kTextExtraWidth));
    const QFontMetrics fm(canvasFont_);
    QRect measured = fm.boundingRect(QRect(0, 0, rect.width(), 0), Qt::TextWordWrap, text);
    measured = fm.boundingRect(QRect(0, 0, measured.width(), 0), Qt::TextWordWrap, text);
    const QSize size(measured.width() + kTextExtraWidth, measured.height() + kTextExtraHeight);

    direction_ = DirectionFor(cursor, screen);
    setGeometry(KeptOnScreen(WindowRectFor(direction_, cursor, size), cursor, screen));
    if (!isVisible())
        show(); // a stays-on-top tool window: topmost without taking the focus
    update();
}

void TMyFlatHintWindow::DrawArrow(QPainter& p, QRect strip)
{
    const int left = strip.left(), top = strip.top();
    const int right = strip.right() + 1, bottom = strip.bottom() + 1; // exclusive edges
    const bool stripLeft = direction_ == 1 || direction_ == 3;
    const bool tipTop = direction_ == 0 || direction_ == 1;
    const int x = stripLeft ? left + 2 : right - 3;
    const int y = tipTop ? top + 2 : bottom - 3;
    const int sx = stripLeft ? 1 : -1, sy = tipTop ? 1 : -1;
    arrowAnchor_ = QPoint(x, y);
    const TColor color = hint_ ? hint_->ColorArrow() : clBlack;
    for (int i = 0; i + 1 < 18; ++i) {
        const QPoint a(x + sx * kArrow[i].x(), y + sy * kArrow[i].y());
        const QPoint b(x + sx * kArrow[i + 1].x(), y + sy * kArrow[i + 1].y());
        DrawLine(p, a, b, color);
    }
}

QImage TMyFlatHintWindow::Render()
{
    const int w = width(), h = height();
    QImage image = NewControlImage(QSize(std::max(1, w), std::max(1, h)), devicePixelRatioF());
    QPainter p(&image);
    // If the component went away since activation, its construction defaults stand in.
    const TColor border = hint_ ? hint_->ColorBorder() : clBlack;
    const TColor stripColor = hint_ ? hint_->ColorArrowBackground() : 0x53D2FF;
    const TColor background = hint_ ? hint_->ColorBackground() : clWhite;
    const TColor textColor = hint_ ? hint_->FontColor() : clWindowText;

    const bool stripLeft = direction_ == 1 || direction_ == 3;
    const QRect strip
        = stripLeft ? MakeRect(1, 1, 1 + kStripWidth, h - 1) : MakeRect(w - 1 - kStripWidth, 1, w - 1, h - 1);
    const QRect text
        = stripLeft ? MakeRect(1 + kStripWidth, 1, w - 1, h - 1) : MakeRect(1, 1, w - 1 - kStripWidth, h - 1);
    p.fillRect(QRect(QPoint(0, 0), LogicalSize(image)), ToQColor(border));
    FillRect(p, strip.left(), strip.top(), strip.right() + 1, strip.bottom() + 1, stripColor);
    FillRect(p, text.left(), text.top(), text.right() + 1, text.bottom() + 1, background);
    DrawArrow(p, strip);

    const QRect area = text.adjusted(3, 1, -3, -1);
    const int align = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    p.setFont(canvasFont_);
    p.setPen(ToQColor(textColor));
    p.drawText(area, align | Qt::AlignTop | Qt::TextWordWrap, text_);
    return image;
}

void TMyFlatHintWindow::paintEvent(QPaintEvent*)
{
    const QImage image = Render();
    QPainter p(this);
    p.drawImage(0, 0, image);
}

// ---- TMyFlatHintFilter ----------------------------------------------------------------------

TMyFlatHintFilter::TMyFlatHintFilter(QObject* parent)
    : QObject(parent)
    , window_(new TMyFlatHintWindow)
    , hideTimer_(new QTimer(this))
    , wakeTimer_(new QTimer(this))
{
    hideTimer_->setSingleShot(true);
    connect(hideTimer_, &QTimer::timeout, this, &TMyFlatHintFilter::HideHint);
    wakeTimer_->setSingleShot(true);
    connect(wakeTimer_, &QTimer::timeout, this, &TMyFlatHintFilter::WakeUp);
    connect(this, &QObject::destroyed, window_, [w = window_] { delete w; });
    QCoreApplication::instance()->installEventFilter(this);
}

QString TMyFlatHintFilter::HintTextAt(QWidget* widget, QPoint pos)
{
    if (!widget->toolTip().isEmpty())
        return widget->toolTip();
    const auto* view = qobject_cast<const QAbstractItemView*>(widget->parentWidget());
    if (view && view->viewport() == widget)
        return view->indexAt(pos).data(Qt::ToolTipRole).toString();
    return QString();
}

bool TMyFlatHintFilter::ShowHint(QWidget* control, QString text, QPoint globalPos)
{
    bool canShow = true;
    const TMyFlatHint* look = TMyFlatHint::FindHintComponent();
    THintInfo info { control, globalPos, look ? look->MaxHintWidth() : 0 };
    if (forwarder_)
        forwarder_->DoShowHint(text, canShow, info);
    if (!canShow || text.isEmpty()) {
        HideHint();
        return false;
    }
    QWidget* owner = info.HintControl ? info.HintControl : control;
    if (window_->isVisible() && hintControl_ == owner && window_->Text() == text)
        return true; // the hint stays put while the cursor rests on the same control
    hintControl_ = owner;
    window_->ActivateHint(QRect(globalPos, QSize(0, 0)), text);
    if (!TMyFlatHint::FindHintComponent())
        return false;
    hideTimer_->start(TMyFlatHint::HintHidePause);
    return true;
}

void TMyFlatHintFilter::HideHint()
{
    hideTimer_->stop();
    hintControl_ = nullptr;
    window_->hide();
}

int TMyFlatHintFilter::PendingPause() const
{
    return wakeTimer_->isActive() ? wakeTimer_->interval() : -1;
}

void TMyFlatHintFilter::MouseRests(QWidget* widget, QPoint pos, QPoint globalPos)
{
    if (!TMyFlatHint::FindHintComponent())
        return;
    // Every level of a propagated move names the same innermost widget under the mouse.
    QWidget* target = widget;
    if (QWidget* child = widget->childAt(pos))
        target = child;
    wakeWidget_ = target;
    wakePos_ = target->mapFrom(widget, pos);
    wakeGlobalPos_ = globalPos;
    wakeTimer_->start(window_->isVisible() ? TMyFlatHint::HintShortPause : TMyFlatHint::HintPause);
}

void TMyFlatHintFilter::WakeUp()
{
    QWidget* widget = wakeWidget_;
    if (!widget || !widget->isVisible() || !widget->isActiveWindow())
        return;
    QHelpEvent help(QEvent::ToolTip, wakePos_, wakeGlobalPos_);
    wakingUp_ = true;
    QCoreApplication::sendEvent(widget, &help); // travels on to the parents while not taken
    wakingUp_ = false;
}

bool TMyFlatHintFilter::HandleToolTip(QWidget* widget, QHelpEvent* help)
{
    if (!wakingUp_ && wakeTimer_->isActive()) {
        help->accept(); // Qt's own timing, too early: the running pause brings the hint
        return true;
    }
    const QString text = widget ? HintTextAt(widget, help->pos()) : QString();
    if (text.isEmpty()) {
        if (widget && widget == hintControl_)
            HideHint(); // off the entry that had the hint
        return false; // the event travels on to the parent, which may carry a hint
    }
    ShowHint(widget, text, help->globalPos());
    help->accept();
    return true; // never the platform tooltip, also when no component is left
}

bool TMyFlatHintFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return HandleToolTip(qobject_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event));
    case QEvent::MouseMove: {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* move = static_cast<QMouseEvent*>(event);
        if (widget && move->buttons() == Qt::NoButton)
            MouseRests(widget, move->position().toPoint(), move->globalPosition().toPoint());
        break;
    }
    case QEvent::Leave:
        if (watched == wakeWidget_)
            wakeTimer_->stop();
        if (watched == hintControl_)
            HideHint();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        wakeTimer_->stop();
        if (window_->isVisible())
            HideHint();
        break;
    default:
        break;
    }
    return false;
}
