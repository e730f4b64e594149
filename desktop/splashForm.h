#pragma once
// TSplashDlg, the splash window shown while the program starts: the splash picture, frameless,
// centred, slightly transparent.
#include <QWidget>

class QLabel;

class TSplashDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 570;
    static constexpr int kHeight = 330;
    static constexpr double kOpacity = 200.0 / 255.0;

    TSplashDlg();

    QLabel* splashPicture;
};

// The splash window during start-up; null afterwards.
extern TSplashDlg* SplashDlg;
