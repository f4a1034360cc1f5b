#pragma once
// JPEG encoding with libjpeg's compressor, for the artwork tool.
#include <QByteArray>

class QImage;

// Baseline JPEG of `image` at the given quality (1..100), without chroma
// subsampling so that painted captions keep clean edges. The same image
// always gives the same bytes. Empty when the image is null or libjpeg fails.
QByteArray encodeJpeg(const QImage& image, int quality = 92);
