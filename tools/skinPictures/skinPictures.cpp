#include "skinPictures.h"

#include "skinAppIcon.h"
#include "skinBackdrops.h"
#include "skinButtons.h"
#include "skinDrawing.h"

#include <QBuffer>
#include <QPainter>

namespace skin {

namespace {

template <typename Fn> QImage Draw(int w, int h, Fn fn)
{
    QImage image = NewPicture(w, h);
    QPainter p(&image);
    Smooth(p);
    fn(p);
    return image;
}

void AddToolButtons(std::vector<TSkinPicture>& out)
{
    const struct {
        const char* name;
        ToolIcon icon;
    } tools[] = { { "add", ToolIcon::tiAdd }, { "convert", ToolIcon::tiConvert },
        { "stop", ToolIcon::tiStop }, { "support", ToolIcon::tiSupport } };
    const struct {
        const char* suffix;
        ButtonState state;
    } states[] = { { "Normal", ButtonState::bsNormal }, { "Over", ButtonState::bsOver },
        { "Down", ButtonState::bsDown }, { "Disabled", ButtonState::bsDisabled } };
    for (const auto& t : tools)
        for (const auto& s : states)
            out.push_back({ QString("%1%2.png").arg(t.name, s.suffix),
                [icon = t.icon, state = s.state] { return ToolButton(icon, state); } });
}

// "name@2x.png" for each picture drawn at twice its size, which Qt picks on a screen of device
// pixel ratio 2. The splash (JPEG), the tiled list background and the stretched bottom strip
// have none.
void AddDoubleSize(std::vector<TSkinPicture>& out)
{
    const size_t count = out.size();
    for (size_t i = 0; i < count; ++i) {
        const QString file = out[i].file;
        if (!file.endsWith(".png") || file == "listBackground.png" || file == "bottomStrip.png")
            continue;
        out.push_back({ QString(file).replace(".png", "@2x.png"), [draw = out[i].draw] {
                           const TPictureScale twice(2);
                           return draw();
                       } });
    }
}

} // namespace

std::vector<TSkinPicture> AllPictures()
{
    std::vector<TSkinPicture> out;
    out.push_back({ "splash.jpg", Splash });
    out.push_back({ "header.png", Header });
    AddToolButtons(out);
    out.push_back({ "tabNormal.png", [] { return Tab(ButtonState::bsNormal); } });
    out.push_back({ "tabOver.png", [] { return Tab(ButtonState::bsOver); } });
    out.push_back({ "tabDown.png", [] { return Tab(ButtonState::bsDown); } });
    out.push_back({ "bottomStrip.png", BottomStrip });
    out.push_back({ "grip.png", Grip });
    out.push_back({ "listBackground.png", ListBackground });
    const struct {
        const char* file;
        StatusIcon icon;
    } status[] = { { "statusWaiting.png", StatusIcon::siWaiting },
        { "statusConverting.png", StatusIcon::siConverting },
        { "statusConverted.png", StatusIcon::siConverted }, { "statusFailed.png", StatusIcon::siFailed } };
    for (const auto& s : status)
        out.push_back({ s.file,
            [icon = s.icon] { return Draw(16, 16, [icon](QPainter& p) { DrawStatusIcon(p, icon); }); } });
    out.push_back({ "folder.png", [] { return Draw(16, 16, DrawFolder); } });
    out.push_back({ "videoFile.png", [] { return Draw(32, 32, DrawVideoFile); } });
    AddDoubleSize(out);
    return out;
}

std::vector<TSkinPicture> AppIcons()
{
    std::vector<TSkinPicture> out;
    for (int size : kAppIconSizes)
        out.push_back({ QString("%1x%1/vidmorph.png").arg(size), [size] { return AppIcon(size); } });
    return out;
}

bool SavePicture(const QImage& image, const QString& path)
{
    if (path.endsWith(".jpg"))
        return image.convertToFormat(QImage::Format_RGB32).save(path, "JPEG", 92);
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888).save(path, "PNG");
    return image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG");
}

double ShareDiffering(const QImage& drawn, const QString& storedPath, int tolerance)
{
    const QImage stored = QImage(storedPath).convertToFormat(QImage::Format_ARGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool jpeg = storedPath.endsWith(".jpg");
    (jpeg ? drawn.convertToFormat(QImage::Format_RGB32) : drawn)
        .save(&buffer, jpeg ? "JPEG" : "PNG", jpeg ? 92 : -1);
    const QImage fresh = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
    if (stored.isNull() || stored.size() != fresh.size())
        return 1.0;
    auto off = [tolerance](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance
            || std::abs(qBlue(a) - qBlue(b)) > tolerance || std::abs(qAlpha(a) - qAlpha(b)) > tolerance;
    };
    long differing = 0;
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            differing += off(stored.pixel(x, y), fresh.pixel(x, y)) ? 1 : 0;
    return double(differing) / (double(stored.width()) * stored.height());
}

} // namespace skin
