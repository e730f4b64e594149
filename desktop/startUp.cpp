#include "desktop/startUp.h"

#include "desktop/dialogSeam.h"
#include "desktop/handlerGuard.h"
#include "desktop/mainController.h"
#include "desktop/mainForm.h"
#include "desktop/skinFonts.h"
#include "desktop/splashForm.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"
#include "platform/tick.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

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

void FreeSplash()
{
    delete SplashDlg;
    SplashDlg = nullptr;
}

// The window works without profiles (lists can still be imported and exported), so the reason is
// said once, in a box that does not hold up the start, and on standard error for the journal.
void ReportUnusableProfiles(TmainDlg& window)
{
    const std::string& error = window.Controller()->Profiles().LoadError();
    if (error.empty())
        return;
    std::fprintf(stderr, "vidmorph: %s\n", error.c_str());
    Dialogs().ShowMessageNonModal(
        &window, kApplicationTitle, platform::FromAnsi(error), QMessageBox::Critical);
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

    TmainDlg* window = nullptr;
    try {
        window = new TmainDlg;
    } catch (...) {
        FreeSplash();
        throw;
    }
    window->setAttribute(Qt::WA_DeleteOnClose); // closing frees the controller and the job runner
    FreeSplash();
    window->show();
    ReportUnusableProfiles(*window);
    // A journal that cannot be kept or restored costs the window nothing.
    RunGuarded(window, [window] { window->Controller()->StartJournal(platform::StateFolder()); });
    return window;
}

TmainDlg* StartUpGuarded() noexcept
{
    TmainDlg* window = nullptr;
    RunGuarded(nullptr, [&window] { window = StartUp(); });
    return window;
}
