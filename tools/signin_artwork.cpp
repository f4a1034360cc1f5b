#include "signin_artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace artwork {
namespace {

// Window geometry the pictures have to match (left, top, width, height).
constexpr int kWidth = 497;
constexpr int kTopHeight = 278;
constexpr int kBottomHeight = 139;
constexpr int kBottomY = 277; // window y of the lower picture

const QRect kLoginBox(146, 202, 187, 21);
const QRect kPasswordBox(146, 238, 187, 21);
const QRect kSignInButton(349, 200, 55, 20);
const QRect kExitButton(418, 199, 67, 22);
const QRect kChangeButton(346, 236, 139, 22);
const QRect kStatusLabel(60, 107, 329, 78);
const QRect kNewPasswordBox(148, 309 - kBottomY, 186, 21);
const QRect kConfirmBox(148, 345 - kBottomY, 186, 21);

// Layout of the free parts.
constexpr int kTitleStripHeight = 24; // light strip behind the version label
constexpr int kHeaderBottom = 96;
constexpr int kFooterHeight = 12;
constexpr int kCaptionGap = 8; // between a caption and its field

namespace colour {
const QColor navyDark(0x0a, 0x24, 0x50);
const QColor navy(0x14, 0x3a, 0x78);
const QColor blue(0x1f, 0x5f, 0xae);
const QColor gold(0xe2, 0xa8, 0x29);
const QColor paperLight(0xf6, 0xf8, 0xfc);
const QColor paper(0xe4, 0xeb, 0xf5);
const QColor text(0x1f, 0x34, 0x55);
const QColor mutedText(0x5d, 0x6f, 0x8a);
const QColor fieldBorder(0x93, 0xa8, 0xc4);
const QColor rule(0xc6, 0xd3, 0xe5);
const QColor watermark(0xcf, 0xdb, 0xec);
} // namespace colour

QFont uiFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QImage blankPicture(int height)
{
    QImage image(kWidth, height, QImage::Format_RGB32);
    image.fill(colour::paperLight);
    return image;
}

// A rectangle whose 1-pixel outline lies on the pixels of `rect`'s edge.
QRectF outlineOf(const QRect& rect)
{
    return QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
}

void paintPaper(QPainter& painter, const QRect& area)
{
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, colour::paperLight);
    gradient.setColorAt(1, colour::paper);
    painter.fillRect(area, gradient);
}

// The frame around the window, which has no border of its own.
void paintEdges(QPainter& painter, const QRect& area, bool top, bool bottom)
{
    painter.setPen(colour::navyDark);
    painter.drawLine(area.topLeft(), area.bottomLeft());
    painter.drawLine(area.topRight(), area.bottomRight());
    if (top)
        painter.drawLine(area.topLeft(), area.topRight());
    if (bottom)
        painter.drawLine(area.bottomLeft(), area.bottomRight());
}

void paintFooter(QPainter& painter, int pictureHeight)
{
    const QRect bar(0, pictureHeight - kFooterHeight, kWidth, kFooterHeight);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, colour::navyDark);
    gradient.setColorAt(1, colour::blue);
    painter.fillRect(bar, gradient);
    painter.fillRect(QRect(bar.left(), bar.top(), kWidth, 1), colour::gold);
}

// A borderless white text box lies exactly on `box`: the field around it is
// a few pixels larger, so the typed text does not touch the frame.
void paintField(QPainter& painter, const QRect& box)
{
    const QRect frame = box.adjusted(-3, -3, 3, 3);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 18)); // soft drop shadow
    painter.drawRoundedRect(QRectF(frame).translated(0, 1), 3, 3);
    painter.setPen(colour::fieldBorder);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(outlineOf(frame), 3, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, Qt::white);
}

// A caption right-aligned before the field of `box`, centred on its height.
void paintCaption(QPainter& painter, const QString& caption, const QRect& box, int fieldLeft)
{
    const int right = fieldLeft - kCaptionGap;
    painter.setFont(uiFont(12));
    painter.setPen(colour::text);
    painter.drawText(QRect(8, box.top(), right - 8, box.height()), Qt::AlignRight | Qt::AlignVCenter,
                     caption);
}

void paintLabelledField(QPainter& painter, const QString& caption, const QRect& box)
{
    paintField(painter, box);
    paintCaption(painter, caption, box, box.left() - 3);
}

enum class ButtonStyle { Primary, Secondary };

// A button face filling `area`; the window's flat button lies on top of it.
void paintButton(QPainter& painter, const QRect& area, const QString& caption, ButtonStyle style)
{
    const bool primary = style == ButtonStyle::Primary;
    QLinearGradient face(area.topLeft(), area.bottomLeft());
    face.setColorAt(0, primary ? QColor(0x35, 0x7b, 0xd0) : Qt::white);
    face.setColorAt(1, primary ? colour::navy : QColor(0xdd, 0xe6, 0xf2));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(primary ? colour::navyDark : colour::fieldBorder);
    painter.setBrush(face);
    painter.drawRoundedRect(outlineOf(area), 4, 4);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(uiFont(12, primary));
    painter.setPen(primary ? Qt::white : colour::text);
    painter.drawText(area, Qt::AlignCenter, caption);
}

// Faint diagonal hatching over the header's gradient.
void paintHatching(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 16), 1));
    for (int x = area.left() - area.height(); x < area.right(); x += 7)
        painter.drawLine(QPointF(x, area.bottom() + 1), QPointF(x + area.height(), area.top()));
    painter.restore();
}

// A small network of linked nodes at the right of the header: co-authors,
// citations, the links of scientific work.
void paintNetwork(QPainter& painter)
{
    static constexpr std::array<QPoint, 11> nodes {{
        {338, 40}, {366, 62}, {392, 34}, {410, 76}, {428, 50}, {446, 30},
        {458, 84}, {472, 58}, {486, 38}, {380, 88}, {352, 82},
    }};
    static constexpr std::array<std::pair<int, int>, 16> links {{
        {0, 1}, {0, 2}, {1, 2}, {1, 3}, {2, 4}, {3, 4}, {4, 5}, {4, 7},
        {3, 6}, {6, 7}, {7, 8}, {5, 8}, {1, 9}, {3, 9}, {9, 10}, {1, 10},
    }};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 45), 1));
    for (const auto& [from, to] : links)
        painter.drawLine(nodes[from], nodes[to]);
    painter.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const bool large = i % 3 == 1;
        painter.setBrush(large ? QColor(0xe2, 0xa8, 0x29, 170) : QColor(255, 255, 255, 120));
        painter.drawEllipse(QPointF(nodes[i]), large ? 3.2 : 2.2, large ? 3.2 : 2.2);
    }
    painter.restore();
}

// A round emblem with an open book.
void paintEmblem(QPainter& painter, const QPointF& centre, qreal radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    disc.setColorAt(0, QColor(0x2c, 0x6d, 0xc2));
    disc.setColorAt(1, colour::navyDark);
    painter.setPen(QPen(colour::gold, 2));
    painter.setBrush(disc);
    painter.drawEllipse(centre, radius, radius);

    // Two pages meeting at the spine, their upper edges slightly curved.
    const qreal w = radius * 0.62;
    const qreal top = centre.y() - radius * 0.34;
    const qreal bottom = centre.y() + radius * 0.38;
    for (const int side : {-1, 1}) {
        QPainterPath page;
        page.moveTo(centre.x(), top + 3);
        page.quadTo(centre.x() + side * w * 0.5, top - 3, centre.x() + side * w, top);
        page.lineTo(centre.x() + side * w, bottom - 3);
        page.quadTo(centre.x() + side * w * 0.5, bottom - 6, centre.x(), bottom);
        page.closeSubpath();
        painter.setPen(QPen(colour::navyDark, 1));
        painter.setBrush(QColor(0xf7, 0xf9, 0xfd));
        painter.drawPath(page);
        painter.setPen(QPen(QColor(0x9f, 0xb4, 0xd2), 1));
        for (int line = 1; line <= 3; ++line) {
            const qreal y = top + line * (bottom - top - 4) / 4.0;
            painter.drawLine(QPointF(centre.x() + side * 3, y + 1), QPointF(centre.x() + side * (w - 3), y - 1));
        }
    }
    painter.setPen(QPen(colour::gold, 1.5));
    painter.drawLine(QPointF(centre.x(), top + 3), QPointF(centre.x(), bottom));
    painter.restore();
}

void paintTitleStrip(QPainter& painter)
{
    const QRect strip(0, 0, kWidth, kTitleStripHeight);
    QLinearGradient gradient(strip.topLeft(), strip.bottomLeft());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(0xea, 0xf0, 0xf8));
    painter.fillRect(strip, gradient);
    painter.fillRect(QRect(0, kTitleStripHeight - 1, kWidth, 1), colour::rule);
    painter.setFont(uiFont(10));
    painter.setPen(colour::mutedText);
    painter.drawText(strip.adjusted(0, 0, -10, -1), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Аутентификация"));
}

void paintHeader(QPainter& painter)
{
    const QRect header(0, kTitleStripHeight, kWidth, kHeaderBottom - kTitleStripHeight);
    QLinearGradient gradient(header.topLeft(), header.bottomRight());
    gradient.setColorAt(0, colour::navyDark);
    gradient.setColorAt(0.55, colour::navy);
    gradient.setColorAt(1, colour::blue);
    painter.fillRect(header, gradient);
    paintHatching(painter, header);
    paintNetwork(painter);
    painter.fillRect(QRect(0, kHeaderBottom, kWidth, 2), colour::gold);

    paintEmblem(painter, QPointF(48, 60), 25);

    painter.setPen(Qt::white);
    painter.setFont(uiFont(30, true));
    painter.drawText(QPoint(88, 66), QStringLiteral("QEL 23"));
    painter.setPen(QColor(0xd4, 0xe3, 0xf8));
    painter.setFont(uiFont(13));
    painter.drawText(QPoint(90, 86), QStringLiteral("Научная деятельность сотрудника"));
}

// A calm panel behind the status label, which writes black bold text on it.
void paintStatusPanel(QPainter& painter)
{
    const QRect panel = kStatusLabel.adjusted(-6, -3, 6, 4);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour::rule);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRoundedRect(outlineOf(panel), 6, 6);
    painter.restore();
}

void paintPadlock(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(area.left(), area.top() + area.height() * 0.42, area.width(), area.height() * 0.58);
    const qreal shackleWidth = area.width() * 0.62;
    const QRectF shackle(area.center().x() - shackleWidth / 2 + 0.5, area.top() + 4, shackleWidth,
                         area.height() * 0.7);
    painter.setPen(QPen(colour::watermark, 7, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(shackle, 0, 180 * 16);
    painter.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
    painter.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), body.top()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::watermark);
    painter.drawRoundedRect(body, 6, 6);
    painter.setBrush(colour::paperLight);
    const QPointF hole(body.center().x(), body.center().y() - 3);
    painter.drawEllipse(hole, 5, 5);
    painter.drawRect(QRectF(hole.x() - 2, hole.y(), 4, 12));
    painter.restore();
}

} // namespace

QImage paintSignInTop()
{
    QImage image = blankPicture(kTopHeight);
    QPainter painter(&image);
    paintPaper(painter, image.rect());
    paintTitleStrip(painter);
    paintHeader(painter);
    paintStatusPanel(painter);
    paintPadlock(painter, QRect(420, 112, 52, 66));

    paintLabelledField(painter, QStringLiteral("Пользователь"), kLoginBox);
    paintLabelledField(painter, QStringLiteral("Пароль"), kPasswordBox);
    paintButton(painter, kSignInButton, QStringLiteral("Вход"), ButtonStyle::Primary);
    paintButton(painter, kExitButton, QStringLiteral("Отмена"), ButtonStyle::Secondary);
    paintButton(painter, kChangeButton, QStringLiteral("Дополнительно"), ButtonStyle::Secondary);

    paintFooter(painter, kTopHeight);
    paintEdges(painter, image.rect(), true, false);
    return image;
}

QImage paintSignInBottom()
{
    QImage image = blankPicture(kBottomHeight);
    QPainter painter(&image);
    paintPaper(painter, image.rect());

    painter.setFont(uiFont(13, true));
    painter.setPen(colour::navy);
    const QRect heading(20, 4, 300, 22);
    painter.drawText(heading, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Замена пароля"));
    const int ruleLeft = heading.left() + painter.fontMetrics().horizontalAdvance(QStringLiteral("Замена пароля")) + 10;
    painter.fillRect(QRect(ruleLeft, heading.center().y(), kWidth - 12 - ruleLeft, 1), colour::rule);

    paintLabelledField(painter, QStringLiteral("Новый пароль"), kNewPasswordBox);
    paintLabelledField(painter, QStringLiteral("Подтверждение"), kConfirmBox);

    painter.setFont(uiFont(10));
    painter.setPen(colour::mutedText);
    painter.drawText(QRect(348, kNewPasswordBox.top() - 3, 138, 64), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                     QStringLiteral("Не менее 6 символов: латинские буквы, цифры и знак «_». "
                                    "Новый пароль сохраняется при входе."));

    paintFooter(painter, kBottomHeight);
    paintEdges(painter, image.rect(), false, true);
    return image;
}

} // namespace artwork
