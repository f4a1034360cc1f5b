// qel-make-artwork: paints the sign-in window's two pictures and writes them
// as JPEG files with libjpeg.
//
//   qel-make-artwork OUTPUT_DIR [--preview FILE.png [--outline]]
//
// Writes OUTPUT_DIR/signin_top.jpg and OUTPUT_DIR/signin_bottom.jpg. The
// preview stacks the two pictures as the window shows them in password-change
// mode; --outline marks where the window's boxes, buttons and labels lie.
#include "jpeg_writer.h"
#include "signin_artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <iostream>

namespace {

constexpr int kBottomY = 277; // window y of the lower picture
constexpr int kChangeModeHeight = 416;

int usage()
{
    std::cerr << "usage: qel-make-artwork OUTPUT_DIR [--preview FILE.png [--outline]]\n";
    return 2;
}

bool writeJpeg(const QImage& image, const QString& path)
{
    const QByteArray bytes = encodeJpeg(image, 92);
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::cerr << "cannot write " << path.toStdString() << '\n';
        return false;
    }
    return true;
}

void outlineComponents(QPainter& painter)
{
    static const QRect components[] = {
        {146, 202, 187, 21}, {146, 238, 187, 21}, {349, 200, 55, 20}, {346, 236, 139, 22},
        {148, 309, 186, 21}, {148, 345, 186, 21}, {418, 199, 67, 22}, {60, 107, 329, 78},
        {6, 5, 23, 16},
    };
    painter.setPen(QColor(255, 0, 0, 160));
    painter.setBrush(Qt::NoBrush);
    for (const QRect& rect : components)
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(0, 160, 0, 160)); // the window's normal height
    painter.drawLine(0, 272, 496, 272);
}

bool writePreview(const QImage& upper, const QImage& lower, const QString& path, bool outline)
{
    QImage window(upper.width(), kChangeModeHeight, QImage::Format_RGB32);
    QPainter painter(&window);
    painter.drawImage(0, 0, upper);
    painter.drawImage(0, kBottomY, lower);
    if (outline)
        outlineComponents(painter);
    painter.end();
    if (!window.save(path)) {
        std::cerr << "cannot write " << path.toStdString() << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Painting needs fonts, not a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    const bool outline = args.removeAll(QStringLiteral("--outline")) > 0;
    QString preview;
    if (const qsizetype at = args.indexOf(QStringLiteral("--preview")); at >= 0) {
        if (at + 1 >= args.size())
            return usage();
        preview = args.takeAt(at + 1);
        args.removeAt(at);
    }
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--")))
        return usage();

    const QDir output(args.first());
    if (!output.exists() && !QDir().mkpath(output.path())) {
        std::cerr << "cannot create " << output.path().toStdString() << '\n';
        return 1;
    }
    const QImage top = artwork::paintSignInTop();
    const QImage bottom = artwork::paintSignInBottom();
    if (!writeJpeg(top, output.filePath(QStringLiteral("signin_top.jpg")))
        || !writeJpeg(bottom, output.filePath(QStringLiteral("signin_bottom.jpg"))))
        return 1;
    if (!preview.isEmpty() && !writePreview(top, bottom, preview, outline))
        return 1;
    return 0;
}
