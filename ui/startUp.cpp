#include "ui/startUp.h"

#include "platform/tick.h"
#include "ui/SplashForm.h"
#include "ui/mainForm.h"
#include "ui/skinFonts.h"

#include <QApplication>
#include <QTimer>

namespace {

// Processes window messages until the splash second has passed (wrap-safe 32-bit ticks).
void ShowSplashSecond()
{
    const uint32_t start = platform::GetTickCount();
    QTimer wake; // wakes the wait below at the deadline when no other event comes
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (uint32_t passed = 0; passed < kSplashMilliseconds;
         passed = platform::TicksBetween(start, platform::GetTickCount())) {
        wake.start(static_cast<int>(kSplashMilliseconds - passed)); // again: a timer may fire early
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

} // namespace

TmainDlg* StartUp()
{
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setApplicationDisplayName(kApplicationTitle);
    InstallSkinFonts();

    SplashDlg = new TSplashDlg;
    SplashDlg->show();
    ShowSplashSecond();

    auto* window = new TmainDlg;
    window->setAttribute(Qt::WA_DeleteOnClose); // closing frees the controller and the job runner
    delete SplashDlg;
    SplashDlg = nullptr;
    window->show();
    return window;
}
