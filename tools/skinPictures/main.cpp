// Draws every picture of the skin into a folder: skinPictures <output folder>.
// The committed pictures under assets/skin/ are made with: skinPictures assets/skin
#include "skinPictures.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skinPictures <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const auto& picture : skin::AllPictures()) {
        const QImage image = picture.draw();
        const QString path = out.filePath(picture.file);
        const bool ok = skin::SavePicture(image, path);
        std::printf("%-24s %3d x %3d  %s\n", qPrintable(picture.file), image.width(), image.height(),
            ok ? "written" : "FAILED");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
