#pragma once
// The sign-in window's JPEG pictures, decoded with libjpeg into QImage.
#include <QImage>

class QByteArray;
class QString;

// Decodes JPEG bytes (baseline or progressive, colour or greyscale) into an
// RGB888 image. Anything libjpeg rejects or only reads with warnings
// (garbage, truncated or corrupt data, CMYK) gives a null image; nothing is
// printed.
QImage decodeJpeg(const QByteArray& bytes);

// Reads a file, usually one of the compiled-in pictures ":/signin/top.jpg"
// and ":/signin/bottom.jpg", and decodes it; a null image when the file is
// missing or not a readable JPEG.
QImage loadJpegResource(const QString& path);
