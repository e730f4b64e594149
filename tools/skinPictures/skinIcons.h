#pragma once
// The symbols of the skin: tool-button icons, status icons, the folder glyph and the file icon.
#include <QColor>
#include <QPointF>

class QPainter;

namespace skin {

enum class ToolIcon { tiAdd, tiConvert, tiStop, tiSupport };
enum class StatusIcon { siWaiting, siConverting, siConverted, siFailed };

// A tool icon of about 64 x 64 pixels centred at centre, with its shadow.
void DrawToolIcon(QPainter& p, ToolIcon icon, QPointF centre);
// A 16 x 16 status icon with its top-left corner at the origin.
void DrawStatusIcon(QPainter& p, StatusIcon icon);
// A 16 x 16 folder glyph at the origin.
void DrawFolder(QPainter& p);
// A 32 x 32 video-file icon at the origin.
void DrawVideoFile(QPainter& p);
// A strip of film frames as an emblem: the film card of the add icon, width w, centred at centre.
void DrawFilmCard(QPainter& p, QPointF centre, qreal width, qreal angle);
// White arrows chasing each other round a circle (the convert symbol).
void DrawCycleArrows(QPainter& p, QPointF centre, qreal radius, qreal width, const QColor& color);

} // namespace skin
