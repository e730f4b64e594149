#pragma once
// JPEG decoding over libjpeg for the splash picture.
//
//   QImage splash = LoadJpegFromFile(":/skin/splash.jpg"); // a file or a Qt resource path
//
// The result is Format_RGB32 (grey pictures are expanded to RGB). Data that is not a JPEG, is
// truncated, corrupt (libjpeg reports a warning or an error) or absurdly large throws EImageError.
#include "controls/pngImage.h" // EImageError

#include <QImage>
#include <QString>

class QByteArray;

QImage LoadJpegFromBytes(const QByteArray& bytes);
QImage LoadJpegFromFile(const QString& path);
