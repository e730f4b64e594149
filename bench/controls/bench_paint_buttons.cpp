// Paint time of the skinned controls at the sizes the forms use: the 828 x 17 progress bar over
// 100 positions, a 121 x 41 push button and a 112 x 101 image button. Each is measured twice:
// composing the off-screen picture alone, and a full repaint() of the shown widget (offscreen
// platform). Target: at most 1 ms per paint.
#include "controls/FSProgressBar.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFont>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

constexpr double kTargetMs = 1.0;

double MsPerCall(int rounds, const std::function<void(int)>& call)
{
    call(0); // warm caches, fonts and glyph atlases
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        call(i);
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

void Report(const char* what, double ms)
{
    std::printf("%-46s %8.4f ms per paint  (target <= %.1f ms: %s)\n", what, ms, kTargetMs,
        ms <= kTargetMs ? "met" : "MISSED");
}

TPngImage ButtonImage(QRgb colour)
{
    QImage img(112, 101, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 4; y < 97; ++y)
        for (int x = 4; x < 108; ++x)
            img.setPixel(x, y, (colour & 0x00FFFFFF) | (uint32_t((x + y) % 256) << 24));
    return TPngImage::FromQImage(img);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(861, 529);

    auto* bar = new TFSProgressBar(&window);
    bar->setGeometry(16, 432, 828, 17);
    bar->SetColorScheme(csCustom);
    bar->SetColorBorder(0xE3B28D);
    bar->SetBackColorFace(0xC6ECFF);
    bar->SetBackColorGrad(clWhite);
    bar->SetForeColorFace(0x9BDEFF);
    bar->SetForeColorGrad(0x007BB7);

    auto* push = new TMyButtonEx(&window);
    push->setGeometry(16, 456, 121, 41);
    QFont font(QStringLiteral("Trebuchet MS"));
    font.setPixelSize(12);
    font.setBold(true);
    push->setFont(font);
    push->SetCaption(QStringLiteral("&Import"));
    push->SetFontColor(0x8B4215);
    push->SetDefaultColorFrom(0xF1E2D5);
    push->SetDefaultColorTo(0xF1D8C1);
    push->SetBorderColor(0xDBBF9E);

    auto* image = new TImageButton(&window);
    image->setGeometry(16, 16, 112, 101);
    image->SetImage(ButtonImage(qRgb(200, 120, 40)));
    image->SetImageOver(ButtonImage(qRgb(230, 150, 60)));

    window.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();

    constexpr int rounds = 2000;
    bar->hide();
    Report("progress bar 828x17, compose only", MsPerCall(rounds, [&](int i) {
        bar->SetPosition(i % 101); // hidden: no paint
        QImage img = bar->Compose();
        (void)img;
    }));
    bar->show();
    Report("progress bar 828x17, SetPosition + repaint",
        MsPerCall(rounds, [&](int i) { bar->SetPosition(i % 101); }));

    Report("push button 121x41, compose only", MsPerCall(rounds, [&](int) { (void)push->Compose(); }));
    Report("push button 121x41, repaint", MsPerCall(rounds, [&](int) { push->repaint(); }));
    QImage glyph(16, 16, QImage::Format_ARGB32);
    glyph.fill(qRgba(200, 0, 0, 200));
    push->SetGlyph(TPngImage::FromQImage(glyph));
    Report("push button 121x41, glyph, repaint", MsPerCall(rounds, [&](int) { push->repaint(); }));
    push->SetEnabled(false); // the glyph is faded on every paint
    Report("push button 121x41, disabled glyph, repaint", MsPerCall(rounds, [&](int) { push->repaint(); }));

    Report("image button 112x101, repaint", MsPerCall(rounds, [&](int) { image->repaint(); }));
    image->SetUseDown(true);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(21, 21));
    QCoreApplication::sendEvent(image, &enter);
    Report("image button 112x101, over image, repaint", MsPerCall(rounds, [&](int) { image->repaint(); }));
    return 0;
}
