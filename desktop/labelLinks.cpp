#include "desktop/labelLinks.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

class TLabelForwarder : public QObject {
    Q_OBJECT
public:
    TLabelForwarder(QWidget* label, QWidget* target)
        : QObject(label)
        , target_(target)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Enter: {
            const QPointF origin(0, 0);
            QEnterEvent enter(origin, origin, target_->mapToGlobal(origin));
            QCoreApplication::sendEvent(target_, &enter);
            return true;
        }
        case QEvent::Leave: {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(target_, &leave);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return ForwardButton(static_cast<QMouseEvent*>(event));
        default:
            return false;
        }
    }

private:
    bool ForwardButton(QMouseEvent* event)
    {
        if (event->button() != Qt::LeftButton)
            return false;
        const bool release = event->type() == QEvent::MouseButtonRelease;
        const QPointF origin(0, 0);
        QMouseEvent forwarded(release ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress, origin,
            target_->mapToGlobal(origin), Qt::LeftButton, release ? Qt::NoButton : Qt::LeftButton,
            Qt::NoModifier);
        QCoreApplication::sendEvent(target_, &forwarded);
        return true;
    }

    QWidget* target_;
};

class TLabelClick : public QObject {
    Q_OBJECT
public:
    TLabelClick(QWidget* label, std::function<void()> onClick)
        : QObject(label)
        , label_(label)
        , onClick_(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress) {
            pressed_ = true;
        } else if (pressed_) {
            pressed_ = false;
            if (label_->rect().contains(mouse->position().toPoint()) && onClick_)
                onClick_();
        }
        return true;
    }

private:
    QWidget* label_;
    std::function<void()> onClick_;
    bool pressed_ = false;
};

} // namespace

void ForwardLabelTo(QWidget* label, QWidget* target)
{
    label->installEventFilter(new TLabelForwarder(label, target));
}

void OnLabelClick(QWidget* label, std::function<void()> onClick)
{
    label->installEventFilter(new TLabelClick(label, std::move(onClick)));
}

#include "labelLinks.moc"
