#include "desktop/handlerGuard.h"

#include "desktop/dialogSeam.h"
#include "desktop/mainForm.h"

#include <cstdio>

void ShowHandlerError(QWidget* owner, const QString& text) noexcept
{
    try {
        Dialogs().ShowMessage(owner, kApplicationTitle, text, QMessageBox::Critical);
    } catch (...) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}
