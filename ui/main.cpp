// The desktop program's entry: splash for at least a second, then the main window until it is
// closed. The program reads no arguments.
#include "platform/tick.h"
#include "ui/SplashForm.h"
#include "ui/mainForm.h"
#include "ui/skinFonts.h"

#include <QApplication>
#include <QTimer>

namespace {

constexpr uint32_t kSplashMilliseconds = 1000;

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

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
    return app.exec();
}
