// The sign-in pictures: libjpeg decoding, the compiled-in artwork and the
// artwork tool's encoder.
#include "jpeg_writer.h"
#include "signin/jpeg_image.h"
#include "signin_artwork.h"

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kTop = QStringLiteral(":/signin/top.jpg");
const QString kBottom = QStringLiteral(":/signin/bottom.jpg");
constexpr int kBottomY = 277; // window y of the lower picture

// Where the window lays its boxes and buttons, in window coordinates.
const QRect kLoginEdit(146, 202, 187, 21);
const QRect kPasswordEdit(146, 238, 187, 21);
const QRect kEdit1(148, 309, 186, 21);
const QRect kEdit2(148, 345, 186, 21);
const QRect kSignInButton(349, 200, 55, 20);
const QRect kExitButton(418, 199, 67, 22);
const QRect kChangeButton(346, 236, 139, 22);
const QRect kStatusLabel(60, 107, 329, 78);
const QRect kVersionLabel(6, 5, 40, 16);

QByteArray resourceBytes(const QString& path)
{
    loadJpegResource(path); // registers the compiled-in pictures
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Range {
    int darkest = 255;
    int lightest = 0;
};

Range lightnessRange(const QImage& image, const QRect& area)
{
    Range range;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int value = QColor(image.pixel(x, y)).lightness();
            range.darkest = std::min(range.darkest, value);
            range.lightest = std::max(range.lightest, value);
        }
    return range;
}

bool isNearWhite(QRgb pixel)
{
    return qRed(pixel) >= 240 && qGreen(pixel) >= 240 && qBlue(pixel) >= 240;
}

int countNotNearWhite(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += isNearWhite(image.pixel(x, y)) ? 0 : 1;
    return count;
}

// Largest and mean difference of the colour channels of two equal-sized images.
struct Difference {
    int largest = 0;
    double mean = 0;
};

Difference compare(const QImage& a, const QImage& b)
{
    Difference difference;
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                difference.largest = std::max(difference.largest, std::abs(d));
                sum += std::abs(d);
            }
        }
    difference.mean = double(sum) / (3.0 * a.width() * a.height());
    return difference;
}

// A picture with smooth gradients, flat blocks and a sharp edge.
QImage knownPicture()
{
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / 95, y * 255 / 63, 128));
    QPainter painter(&image);
    painter.fillRect(8, 8, 24, 24, QColor(200, 30, 40));
    painter.fillRect(48, 16, 40, 40, Qt::white);
    return image;
}

TEST(SignInPictures, CompiledInPicturesHaveTheWindowSizes)
{
    const QImage top = loadJpegResource(kTop);
    const QImage bottom = loadJpegResource(kBottom);
    ASSERT_FALSE(top.isNull());
    ASSERT_FALSE(bottom.isNull());
    EXPECT_EQ(top.size(), QSize(497, 278));
    EXPECT_EQ(bottom.size(), QSize(497, 139));
    EXPECT_TRUE(loadJpegResource(QStringLiteral(":/signin/missing.jpg")).isNull());
}

TEST(SignInPictures, CompiledInPicturesAreBaselineJpegs)
{
    for (const QString& path : {kTop, kBottom}) {
        const QByteArray bytes = resourceBytes(path);
        EXPECT_TRUE(bytes.startsWith("\xFF\xD8")) << path.toStdString();
        EXPECT_TRUE(bytes.contains("\xFF\xC0")) << path.toStdString(); // baseline frame
        EXPECT_FALSE(bytes.contains("\xFF\xC2")) << path.toStdString(); // progressive frame
    }
}

TEST(SignInPictures, WhiteFieldsLieUnderTheTextBoxes)
{
    const QImage top = loadJpegResource(kTop);
    const QImage bottom = loadJpegResource(kBottom);
    ASSERT_FALSE(top.isNull());
    ASSERT_FALSE(bottom.isNull());
    EXPECT_EQ(countNotNearWhite(top, kLoginEdit), 0);
    EXPECT_EQ(countNotNearWhite(top, kPasswordEdit), 0);
    EXPECT_EQ(countNotNearWhite(bottom, kEdit1.translated(0, -kBottomY)), 0);
    EXPECT_EQ(countNotNearWhite(bottom, kEdit2.translated(0, -kBottomY)), 0);
}

TEST(SignInPictures, CaptionsBesideTheBoxesAndOnTheButtons)
{
    const QImage top = loadJpegResource(kTop);
    const QImage bottom = loadJpegResource(kBottom);
    ASSERT_FALSE(top.isNull());
    ASSERT_FALSE(bottom.isNull());
    // Dark caption text left of each box, on its rows, before x = 140.
    const auto captionArea = [](const QRect& box) { return QRect(20, box.top(), 120, box.height()); };
    EXPECT_LT(lightnessRange(top, captionArea(kLoginEdit)).darkest, 110);
    EXPECT_LT(lightnessRange(top, captionArea(kPasswordEdit)).darkest, 110);
    EXPECT_LT(lightnessRange(bottom, captionArea(kEdit1.translated(0, -kBottomY))).darkest, 110);
    EXPECT_LT(lightnessRange(bottom, captionArea(kEdit2.translated(0, -kBottomY))).darkest, 110);
    // Each button face carries a caption contrasting with it.
    for (const QRect& button : {kSignInButton, kExitButton, kChangeButton}) {
        const Range range = lightnessRange(top, button.adjusted(3, 3, -3, -3));
        EXPECT_GT(range.lightest - range.darkest, 120) << button.x() << "," << button.y();
    }
}

TEST(SignInPictures, LabelsSitOnCalmLightAreas)
{
    const QImage top = loadJpegResource(kTop);
    ASSERT_FALSE(top.isNull());
    // Black bold status text and the version label stay readable.
    EXPECT_GT(lightnessRange(top, kStatusLabel).darkest, 200);
    EXPECT_GT(lightnessRange(top, kVersionLabel).darkest, 200);
}

TEST(SignInPictures, PicturesAreNotUniformOutsideTheFields)
{
    for (const QString& path : {kTop, kBottom}) {
        const QImage image = loadJpegResource(path);
        ASSERT_FALSE(image.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 200) << path.toStdString();
        const Range range = lightnessRange(image, image.rect());
        EXPECT_GT(range.lightest - range.darkest, 150) << path.toStdString();
    }
}

TEST(SignInPictures, CompiledInPicturesMatchTheArtworkTool)
{
    // Catches a change to the painting that was not regenerated into resources/.
    const QImage top = loadJpegResource(kTop);
    const QImage bottom = loadJpegResource(kBottom);
    ASSERT_FALSE(top.isNull());
    ASSERT_FALSE(bottom.isNull());
    EXPECT_LT(compare(top, artwork::paintSignInTop()).mean, 2.0);
    EXPECT_LT(compare(bottom, artwork::paintSignInBottom()).mean, 2.0);
}

TEST(JpegDecoding, AgreesWithTheEncodedPictureWithinJpegLoss)
{
    const QImage original = knownPicture();
    const QByteArray bytes = encodeJpeg(original, 92);
    ASSERT_FALSE(bytes.isEmpty());
    const QImage decoded = decodeJpeg(bytes);
    ASSERT_EQ(decoded.size(), original.size());
    const Difference difference = compare(decoded, original);
    EXPECT_LT(difference.mean, 2.0);
    EXPECT_LT(difference.largest, 40);
    // Flat areas come back practically unchanged.
    EXPECT_LT(compare(decoded.copy(12, 12, 16, 16), original.copy(12, 12, 16, 16)).largest, 6);
}

TEST(JpegDecoding, EncodingIsDeterministic)
{
    const QImage picture = knownPicture();
    EXPECT_EQ(encodeJpeg(picture, 92), encodeJpeg(picture, 92));
    EXPECT_TRUE(encodeJpeg(QImage(), 92).isEmpty());
}

TEST(JpegDecoding, BrokenInputGivesANullImageSilently)
{
    const QByteArray whole = resourceBytes(kTop);
    ASSERT_GT(whole.size(), 1000);
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a picture at all"),
        QByteArray(4096, '\xFF'),
        whole.left(2),                 // the start-of-image marker alone
        whole.left(whole.size() / 2),  // cut in the middle of the scan
        whole.left(whole.size() - 40), // cut just before the end
        QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(200, '\x00'),
    };
    testing::internal::CaptureStderr();
    for (const QByteArray& bytes : cases)
        EXPECT_TRUE(decodeJpeg(bytes).isNull()) << bytes.size() << " bytes";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The decoder is still usable after the failures.
    EXPECT_EQ(decodeJpeg(whole).size(), QSize(497, 278));
}

} // namespace
