#include "skinAppIcon.h"

#include "skinDrawing.h"
#include "skinIcons.h"
#include "skinPalette.h"

#include <QPainter>

namespace skin {

QImage AppIcon(int size)
{
    QImage image = NewPicture(size, size);
    QPainter p(&image);
    Smooth(p);
    // Designed on a 64 x 64 grid; small sizes drop the film card, which would only be noise.
    p.scale(size / 64.0, size / 64.0);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setPen(QPen(Tc(kAmberDark).darker(140), 1.5));
    p.setBrush(Vertical(tile.boundingRect(), Tc(kAmberLight), Tc(kAmberDark)));
    p.drawPath(tile);
    Gloss(p, tile, 0.6);
    if (size >= 32)
        DrawFilmCard(p, QPointF(22, 24), 34, -10);
    const QPointF centre = size >= 32 ? QPointF(39, 38) : QPointF(32, 32);
    const qreal radius = size >= 32 ? 18 : 24;
    GlossyDisc(p, centre, radius, Tc(kGoldLight), Tc(kGoldDark));
    DrawCycleArrows(p, centre, radius * 0.54, radius * 0.22, Qt::white);
    return image;
}

} // namespace skin
