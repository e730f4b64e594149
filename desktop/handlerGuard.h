#pragma once
// The boundary of every handler the program wires: an exception raised inside is shown in a
// critical message box with its text, as a framework's default error report would, and never
// crosses Qt's event loop.
#include <QString>

#include <exception>

class QWidget;

// Shows the box (owned by owner); never throws.
void ShowHandlerError(QWidget* owner, const QString& text) noexcept;

template <class Handler> void RunGuarded(QWidget* owner, Handler&& handler) noexcept
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowHandlerError(owner, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowHandlerError(owner, QStringLiteral("Unknown error."));
    }
}
