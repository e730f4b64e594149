#include "ui/SplashForm.h"

#include "controls/jpegImage.h"
#include "ui/formKit.h"

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
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, kWidth, kHeight);
    try {
        Image1->setPixmap(QPixmap::fromImage(LoadJpegFromFile(":/skin/splash.jpg")));
    } catch (const EImageError&) {
        // A damaged picture leaves the splash plain; start-up goes on.
    }
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
