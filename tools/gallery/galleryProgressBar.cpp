// TFSProgressBar with the main window's progressBar settings along a batch, and every colour
// scheme and orientation.
#include "controls/FSProgressBar.h"
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

using namespace gallery;

namespace {

// progressBar: 828 x 17, csCustom, border 0xE3B28D, background 0xC6ECFF to white, fill 0x9BDEFF
// to 0x007BB7, 0..100, step 10.
TFSProgressBar* MainWindowBar(int position)
{
    auto* bar = new TFSProgressBar;
    bar->resize(828, 17);
    bar->SetColorBorder(kLine);
    bar->SetBackColorFace(0xC6ECFF);
    bar->SetBackColorGrad(clWhite);
    bar->SetForeColorFace(0x9BDEFF);
    bar->SetForeColorGrad(0x007BB7);
    bar->SetMin(0);
    bar->SetMax(100);
    bar->SetStep(10);
    bar->SetOrientation(pbHorizontal);
    bar->SetPosition(position);
    return bar;
}

QImage Bar(TFSProgressBar* bar)
{
    return GrabInHost(bar, ToQColor(kWindow));
}

TFSProgressBar* SchemeBar(TColorScheme scheme, TProgressBarOrientation orientation, int position)
{
    auto* bar = new TFSProgressBar;
    bar->SetColorScheme(scheme);
    bar->SetOrientation(orientation);
    bar->resize(orientation == pbHorizontal ? QSize(200, 16) : QSize(16, 120));
    bar->SetPosition(position);
    return bar;
}

QImage ProgressBars()
{
    TGalleryBoard board("TFSProgressBar", ToQColor(0xF4F0EE));
    board.NewRow("progressBar of the main window (828 x 17) as a batch of three entries goes on");
    for (int position : { 0, 33, 66, 100 }) {
        board.Add(QString("Position %1").arg(position), Bar(MainWindowBar(position)));
        board.NewRow();
    }
    board.Add("Position 150 (beyond Max: stored, drawn clipped)", Bar(MainWindowBar(150)));
    const char* names[] = { "csCustom", "csDesert", "csGrass", "csSilver", "csSky", "csRose", "csSun",
        "csHackers", "csNight", "csVelvet", "csMetal", "csViolet", "csToxic" };
    board.NewRow("Colour schemes (200 x 16, Position 60)");
    for (int s = csDesert; s <= csToxic; ++s) {
        if (s == csSky || s == csHackers || s == csMetal)
            board.NewRow();
        board.Add(names[s], Bar(SchemeBar(TColorScheme(s), pbHorizontal, 60)));
    }
    board.NewRow("Vertical (16 x 120): Position 0, 40, 100 (csDesert), 60 (csSky, csNight)");
    for (int position : { 0, 40, 100 })
        board.Add(QString::number(position), Bar(SchemeBar(csDesert, pbVertical, position)));
    board.Add("csSky", Bar(SchemeBar(csSky, pbVertical, 60)));
    board.Add("csNight", Bar(SchemeBar(csNight, pbVertical, 60)));
    return board.Render();
}

const TGalleryShots::Entry shot { "TFSProgressBar.png", ProgressBars };

} // namespace
