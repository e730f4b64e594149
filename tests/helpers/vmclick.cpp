// Test helper, preloaded (LD_PRELOAD) into the real desktop program, which takes no input from
// outside: once a shown (exposed) window holds a control whose tool tip is $VMCLICK_TOOLTIP, it clicks that
// control once (a left press and release at its middle). Without the variable it does nothing.
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

namespace {

// The program's children (ffmpeg, ffprobe) must not load this library too: built with a sanitizer,
// it needs that sanitizer's runtime, which they lack, and they would fail to start.
[[maybe_unused]] const bool kNotInherited = [] {
    unsetenv("LD_PRELOAD");
    return true;
}();

QWidget* ShownControl(const QString& toolTip)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || !window->windowHandle() || !window->windowHandle()->isExposed())
            continue; // not painted yet: a skinned button takes clicks only on its painted picture
        for (QWidget* control : window->findChildren<QWidget*>())
            if (control->isVisible() && control->toolTip() == toolTip)
                return control;
    }
    return nullptr;
}

void Click(QWidget* control)
{
    control->repaint();
    const QPointF middle = QRectF(control->rect()).center();
    const QPointF global = control->mapToGlobal(middle);
    QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(control, &press);
    QApplication::sendEvent(control, &release);
}

void ClickWhenShown()
{
    const QString toolTip = qEnvironmentVariable("VMCLICK_TOOLTIP");
    if (toolTip.isEmpty())
        return;
    auto* poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, toolTip] {
        if (QWidget* control = ShownControl(toolTip)) {
            poll->stop();
            poll->deleteLater();
            Click(control);
        }
    });
    poll->start();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(ClickWhenShown)
