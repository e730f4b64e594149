#include "galleryShots.h"

std::vector<TGalleryShot>& TGalleryShots::All()
{
    static std::vector<TGalleryShot> shots;
    return shots;
}

TGalleryShots::Entry::Entry(const QString& file, std::function<QImage()> render)
{
    All().push_back({ file, std::move(render) });
}
