// The skin's pictures: one sheet with every picture on the colour it lies on in the program, and
// one with the small ones magnified.
#include "controls/skinGraphics.h"
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QPainter>

using namespace gallery;

namespace {

QImage Picture(const QString& name)
{
    QImage image(":/skin/" + name);
    if (image.isNull())
        qWarning("gallery: missing picture :/skin/%s", qPrintable(name));
    return image;
}

// The picture laid on a background colour, as the program shows it.
QImage On(const QImage& picture, TColor background)
{
    QImage out(picture.size(), QImage::Format_ARGB32);
    out.fill(ToQColor(background));
    QPainter(&out).drawImage(0, 0, picture);
    return out;
}

QImage PictureSheet()
{
    TGalleryBoard board("Skin pictures (assets/skin)", ToQColor(0xF4F0EE));
    board.NewRow("Splash (570 x 330 JPEG) and header (400 x 200 PNG, on the window colour)");
    board.Add("splash.jpg", Picture("splash.jpg"));
    board.Add("header.png", On(Picture("header.png"), kWindow));
    for (const char* tool : { "add", "convert", "stop", "support" }) {
        board.NewRow(QString("Tool button \"%1\", 112 x 101: normal, over, down, disabled").arg(tool));
        for (const char* state : { "Normal", "Over", "Down", "Disabled" }) {
            const QString name = QString("%1%2.png").arg(tool, state);
            board.Add(name, On(Picture(name), kWindow));
        }
    }
    board.NewRow("Tabs (66 x 29, on the panel colour), bottom strip (6 x 21), grip (11 x 11); tabs x2, strip "
                 "and grip x4");
    for (const char* name : { "tabNormal.png", "tabOver.png", "tabDown.png" })
        board.Add(name, Zoom(On(Picture(name), kPanel), 2));
    board.Add("bottomStrip.png", Zoom(Picture("bottomStrip.png"), 4));
    board.Add("grip.png", Zoom(On(Picture("grip.png"), kWindow), 4));
    board.NewRow("Status icons (16 x 16), folder glyph (16 x 16), file icon (32 x 32): x1 and x4");
    for (const char* name : { "statusWaiting.png", "statusConverting.png", "statusConverted.png",
             "statusFailed.png", "folder.png", "videoFile.png" }) {
        board.Add(name, On(Picture(name), kList));
        board.Add("", Zoom(On(Picture(name), kList), 4));
    }
    board.NewRow("List background (256 x 256, 24-bit)");
    board.Add("listBackground.png", Picture("listBackground.png"));
    return board.Render();
}

// Pixel-level detail of the small pictures and the tool icons, for judging edges and anti-aliasing.
QImage PictureDetail()
{
    TGalleryBoard board("Skin pictures, magnified x3", ToQColor(0xF4F0EE));
    board.NewRow("Tool buttons, normal");
    for (const char* tool : { "add", "convert", "stop", "support" })
        board.Add(QString("%1Normal.png").arg(tool),
            Zoom(On(Picture(QString("%1Normal.png").arg(tool)), kWindow), 3));
    board.NewRow("Small pictures on the colours they lie on");
    board.Add("tabNormal.png", Zoom(On(Picture("tabNormal.png"), kPanel), 3));
    board.Add("tabOver.png", Zoom(On(Picture("tabOver.png"), kPanel), 3));
    board.Add("tabDown.png", Zoom(On(Picture("tabDown.png"), kPanel), 3));
    board.Add("folder.png", Zoom(On(Picture("folder.png"), 0xFFFFFF), 6));
    for (const char* name :
        { "statusWaiting.png", "statusConverting.png", "statusConverted.png", "statusFailed.png" })
        board.Add(name, Zoom(On(Picture(name), kList), 6));
    board.Add("videoFile.png", Zoom(On(Picture("videoFile.png"), 0xFFFFFF), 3));
    return board.Render();
}

const TGalleryShots::Entry detail { "skinPicturesDetail.png", PictureDetail };
const TGalleryShots::Entry sheet { "skinPictures.png", PictureSheet };

} // namespace
