#include "ui/handlerGuard.h"

#include "ui/dialogSeam.h"
#include "ui/mainForm.h"

#include <cstdio>

void ShowHandlerError(QWidget* owner, const QString& text) noexcept
{
    try {
        Dialogs().ShowMessage(owner, kApplicationTitle, text, QMessageBox::Critical);
    } catch (...) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}
