#include "desktop/splashForm.h"

#include "controls/jpegImage.h"
#include "desktop/formKit.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TSplashDlg* SplashDlg = nullptr;

TSplashDlg::TSplashDlg()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    formkit::InitSkinResources();
    setFixedSize(kWidth, kHeight);
    setWindowOpacity(kOpacity);
    splashPicture = new QLabel(this);
    splashPicture->setGeometry(0, 0, kWidth, kHeight);
    try {
        splashPicture->setPixmap(QPixmap::fromImage(LoadJpegFromFile(":/skin/splash.jpg")));
    } catch (const EImageError&) {
        // A damaged picture leaves the splash plain; start-up goes on.
    }
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
