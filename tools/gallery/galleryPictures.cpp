// The skin's pictures: one sheet with every picture on the colour it lies on in the program, and
// the main window's frame put together from them at the form's positions.
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include "controls/skinGraphics.h"

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
    GalleryBoard board("Skin pictures (assets/skin)", ToQColor(0xF4F0EE));
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

void Caption(QPainter& p, int x, int y, const QString& text, int px, bool enabled = true)
{
    QFont f("Trebuchet MS");
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ToQColor(enabled ? kCaption : 0x8D8D8D));
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

// The window's frame as the form places the pictures (the controls themselves are left out).
QImage WindowFrame()
{
    QImage w(861, 529, QImage::Format_ARGB32);
    w.fill(ToQColor(kWindow));
    QPainter p(&w);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.drawImage(0, 0, Picture("header.png"));
    const struct {
        int x, lx;
        const char* name;
        const char* caption;
        const char* state;
    } tools[] = { { 16, 60, "add", "Add", "Over" }, { 144, 176, "convert", "Convert", "Normal" },
        { 272, 315, "stop", "Stop", "Disabled" }, { 400, 432, "support", "Support", "Normal" } };
    for (const auto& t : tools) {
        p.drawImage(t.x, 16, Picture(QString("%1%2.png").arg(t.name, t.state)));
        Caption(p, t.lx, 96, t.caption, 13, QString(t.state) != "Disabled");
    }
    p.fillRect(16, 136, 828, 289, ToQColor(kPanel));
    p.drawImage(16 + 8, 136 + 14, Picture("tabNormal.png"));
    Caption(p, 16 + 32, 136 + 21, "List", 11);
    p.fillRect(16, 136 + 39, 828, 1, ToQColor(kLine));
    const QRect list(16, 136 + 40, 828, 249);
    p.fillRect(list, ToQColor(kList));
    const QImage back = Picture("listBackground.png");
    p.setClipRect(list);
    p.drawImage(list.right() + 1 - back.width(), list.bottom() + 1 - back.height(), back);
    const char* icons[]
        = { "statusConverted.png", "statusFailed.png", "statusConverting.png", "statusWaiting.png" };
    for (int i = 0; i < 4; ++i)
        p.drawImage(list.left() + 8, list.top() + 5 + 25 * i + 4, Picture(icons[i]));
    p.setClipping(false);
    p.drawImage(QRect(0, 529 - 21, 861, 21), Picture("bottomStrip.png"));
    p.drawImage(849, 517, Picture("grip.png"));
    return w;
}

// Pixel-level detail of the small pictures and the tool icons, for judging edges and anti-aliasing.
QImage PictureDetail()
{
    GalleryBoard board("Skin pictures, magnified x3", ToQColor(0xF4F0EE));
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

const GalleryShots::Entry detail { "skinPicturesDetail.png", PictureDetail };
const GalleryShots::Entry sheet { "skinPictures.png", PictureSheet };
const GalleryShots::Entry frame { "windowFrame.png", WindowFrame };

} // namespace
