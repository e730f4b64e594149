#include "galleryInput.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace gallery {

void Enter(QWidget* w)
{
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent e(local, local, w->mapToGlobal(local));
    QApplication::sendEvent(w, &e);
}

void Leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

static void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Press(QWidget* w, QPoint at, bool left)
{
    const Qt::MouseButton b = left ? Qt::LeftButton : Qt::RightButton;
    Mouse(w, QEvent::MouseButtonPress, at, b, b);
}

void Release(QWidget* w, QPoint at, bool left)
{
    Mouse(w, QEvent::MouseButtonRelease, at, left ? Qt::LeftButton : Qt::RightButton, Qt::NoButton);
}

void Move(QWidget* w, QPoint at)
{
    Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

} // namespace gallery
