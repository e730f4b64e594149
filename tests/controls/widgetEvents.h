#pragma once
// Synthetic input for widget tests, delivered synchronously with QCoreApplication::sendEvent.
#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

inline void SendMouse(
    QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint pos, Qt::MouseButtons held = {})
{
    const QPointF local(pos);
    const QPointF global(w->mapToGlobal(pos));
    if (type == QEvent::MouseButtonPress)
        held |= button;
    QMouseEvent e(type, local, local, global, button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    SendMouse(w, QEvent::MouseButtonPress, b, pos);
}
inline void Release(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    SendMouse(w, QEvent::MouseButtonRelease, b, pos);
}
inline void Move(QWidget* w, QPoint pos, Qt::MouseButtons held = Qt::LeftButton)
{
    SendMouse(w, QEvent::MouseMove, Qt::NoButton, pos, held);
}
inline void Click(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    Press(w, pos, b);
    Release(w, pos, b);
}

inline void Enter(QWidget* w)
{
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(w->mapToGlobal(QPoint(1, 1))));
    QCoreApplication::sendEvent(w, &e);
}
inline void Leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

// Counts the paint events of the widgets it is installed on (repaint() paints at once,
// update() only later).
class PaintCounter : public QObject {
    Q_OBJECT
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
