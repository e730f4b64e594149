#include "galleryShots.h"

std::vector<GalleryShot>& GalleryShots::All()
{
    static std::vector<GalleryShot> shots;
    return shots;
}

GalleryShots::Entry::Entry(const QString& file, std::function<QImage()> render)
{
    All().push_back({ file, std::move(render) });
}
