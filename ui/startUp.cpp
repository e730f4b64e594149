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
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(kSplashMilliseconds)); // so the wait below always wakes in time
    while (platform::TicksBetween(start, platform::GetTickCount()) < kSplashMilliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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
