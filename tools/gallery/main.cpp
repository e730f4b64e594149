// Renders every skinned control in each of its states, off screen, into PNG files:
//   gallery <output folder>
// One file per control, the program's own main window and Add Files dialog,
// and sheets of every skin picture (skinPictures.png, skinPicturesDetail.png).
#include "galleryShots.h"

#include "desktop/formKit.h"

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>

// The off-screen platform reports every raise and keyboard grab a popup asks for; they are harmless.
static void QuietOffscreen(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (!message.startsWith("This plugin does not support")
        && !message.startsWith("QStandardPaths: XDG_RUNTIME_DIR"))
        std::fprintf(stderr, "%s%s\n", type == QtWarningMsg ? "warning: " : "", qPrintable(message));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietOffscreen);
    QApplication app(argc, argv);
    formkit::InitSkinResources();
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "gallery: cannot create %s\n", argv[1]);
        return 1;
    }
    std::printf("gallery: writing into %s\n", qPrintable(out.absolutePath()));
    auto& shots = TGalleryShots::All();
    std::sort(shots.begin(), shots.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    int failures = 0;
    for (const TGalleryShot& shot : shots) {
        const QImage image = shot.render();
        const bool ok = !image.isNull() && image.save(out.filePath(shot.file), "PNG");
        std::printf("  %-28s %4d x %-4d %s\n", qPrintable(shot.file), image.width(), image.height(),
            ok ? "written" : "FAILED");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
