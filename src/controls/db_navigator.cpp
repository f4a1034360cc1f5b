#include "controls/db_navigator.h"

#include "controls/dialogs.h"
#include "db/dataset.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

namespace controls {

// A bar button that never takes the focus itself: the navigator has it and
// marks the button that Space would click.
class NavigatorButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    void setFocusMark(bool shown)
    {
        if (m_focusMark != shown) {
            m_focusMark = shown;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QToolButton::paintEvent(event);
        if (!m_focusMark)
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }

private:
    bool m_focusMark = false;
};

namespace {

constexpr int kGlyphSize = 16;

const char* buttonName(DBNavigator::NavigateButton which)
{
    switch (which) {
    case DBNavigator::nbFirst: return "nbFirst";
    case DBNavigator::nbPrior: return "nbPrior";
    case DBNavigator::nbNext: return "nbNext";
    case DBNavigator::nbLast: return "nbLast";
    case DBNavigator::nbInsert: return "nbInsert";
    case DBNavigator::nbDelete: return "nbDelete";
    case DBNavigator::nbEdit: return "nbEdit";
    case DBNavigator::nbPost: return "nbPost";
    case DBNavigator::nbCancel: return "nbCancel";
    case DBNavigator::nbRefresh: return "nbRefresh";
    }
    return "";
}

QPolygonF triangle(bool pointsLeft, qreal left)
{
    const qreal tip = pointsLeft ? left : left + 5;
    const qreal base = pointsLeft ? left + 5 : left;
    return QPolygonF({QPointF(tip, 8), QPointF(base, 3), QPointF(base, 13)});
}

// The conventional glyphs, drawn in the text colour; the disabled look comes
// from QIcon's own disabled mode.
QIcon glyph(DBNavigator::NavigateButton which, const QColor& ink)
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPen stroke(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (which) {
    case DBNavigator::nbFirst:
        p.drawRect(QRectF(3, 3, 2, 10));
        p.drawPolygon(triangle(true, 6));
        break;
    case DBNavigator::nbPrior: p.drawPolygon(triangle(true, 5)); break;
    case DBNavigator::nbNext: p.drawPolygon(triangle(false, 6)); break;
    case DBNavigator::nbLast:
        p.drawPolygon(triangle(false, 5));
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case DBNavigator::nbInsert:
        p.drawRect(QRectF(7, 3, 2.4, 10));
        p.drawRect(QRectF(3, 6.8, 10, 2.4));
        break;
    case DBNavigator::nbDelete: p.drawRect(QRectF(3, 6.8, 10, 2.4)); break;
    case DBNavigator::nbEdit: { // a pencil
        p.translate(8, 8);
        p.rotate(-45);
        p.drawRect(QRectF(-4, -1.6, 8, 3.2));
        p.drawPolygon(QPolygonF({QPointF(-4.5, -1.6), QPointF(-7, 0), QPointF(-4.5, 1.6)}));
        p.drawRect(QRectF(5, -1.6, 1.6, 3.2));
        break;
    }
    case DBNavigator::nbPost:
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
        break;
    case DBNavigator::nbCancel:
        p.setPen(stroke);
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case DBNavigator::nbRefresh: {
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(7, 0.8), QPointF(11, 3), QPointF(7, 5.6)}));
        break;
    }
    }
    return QIcon(pixmap);
}

} // namespace

DBNavigator::NavigateButtons DBNavigator::allButtons()
{
    NavigateButtons all;
    for (const NavigateButton b : kButtonOrder)
        all |= b;
    return all;
}

DBNavigator::DBNavigator(QWidget* parent)
    : QWidget(parent)
    , m_visible(allButtons())
{
    // Reached by Tab, not by clicking a button: a click leaves the focus
    // where the user edits.
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QColor ink = palette().color(QPalette::ButtonText);
    for (int i = 0; i < kButtonCount; ++i) {
        const NavigateButton which = kButtonOrder[std::size_t(i)];
        auto* b = new NavigatorButton(this);
        b->setObjectName(QString::fromLatin1(buttonName(which)));
        b->setFocusPolicy(Qt::NoFocus);
        b->setIcon(glyph(which, ink));
        b->setIconSize(QSize(kGlyphSize, kGlyphSize));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, which, i] {
            setFocusedIndex(i);
            guarded([&] { clickButton(which); });
        });
        layout->addWidget(b);
        m_buttons[std::size_t(i)] = b;
    }
    connect(&m_link, &db::DataLink::activeChanged, this, &DBNavigator::updateButtons);
    connect(&m_link, &db::DataLink::stateChanged, this, &DBNavigator::updateButtons);
    connect(&m_link, &db::DataLink::currentChanged, this, &DBNavigator::updateButtons);
    connect(&m_link, &db::DataLink::reset, this, &DBNavigator::updateButtons);
    connect(&m_link, &db::DataLink::rowInserted, this, &DBNavigator::updateButtons);
    connect(&m_link, &db::DataLink::rowRemoved, this, &DBNavigator::updateButtons);
    updateButtons();
}

DBNavigator::~DBNavigator() = default;

int DBNavigator::indexOf(NavigateButton which)
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtonOrder[std::size_t(i)] == which)
            return i;
    return 0;
}

QToolButton* DBNavigator::button(NavigateButton which) const
{
    return m_buttons[std::size_t(indexOf(which))];
}

DBNavigator::NavigateButton DBNavigator::focusedButton() const
{
    return kButtonOrder[std::size_t(m_focused)];
}

QSize DBNavigator::sizeHint() const
{
    return {25 * int(std::count_if(m_buttons.cbegin(), m_buttons.cend(),
                                   [](const NavigatorButton* b) { return !b->isHidden(); })),
            25};
}

void DBNavigator::setDataSource(db::DataSource* source)
{
    m_link.setDataSource(source);
    updateButtons();
}

void DBNavigator::setVisibleButtons(NavigateButtons buttons)
{
    m_visible = buttons;
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[std::size_t(i)]->setVisible(m_visible.testFlag(kButtonOrder[std::size_t(i)]));
    if (!m_visible.testFlag(focusedButton()))
        moveFocus(1);
    updateGeometry();
}

void DBNavigator::setHints(const QStringList& hints)
{
    m_hints = hints;
    updateHints();
}

void DBNavigator::setShowHint(bool show)
{
    m_showHint = show;
    updateHints();
}

void DBNavigator::updateHints()
{
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[std::size_t(i)]->setToolTip(m_showHint ? m_hints.value(i) : QString());
}

// Recomputed on every change of the data source's activity, the dataset's
// state, its current record and its rows.
void DBNavigator::updateButtons()
{
    const db::Dataset* data = m_link.dataset();
    if (!isEnabled() || !data) {
        for (NavigatorButton* b : m_buttons)
            b->setEnabled(false);
        return;
    }
    const bool canModify = data->canModify();
    const bool editing = data->isEditing();
    auto set = [this](NavigateButton which, bool enabled) { button(which)->setEnabled(enabled); };
    set(nbFirst, !data->bof());
    set(nbPrior, !data->bof());
    set(nbNext, !data->eof());
    set(nbLast, !data->eof());
    set(nbInsert, canModify);
    set(nbDelete, canModify && !data->isEmpty());
    set(nbEdit, canModify && !editing);
    set(nbPost, canModify && editing);
    set(nbCancel, canModify && editing);
    set(nbRefresh, canModify);
}

void DBNavigator::clickButton(NavigateButton which)
{
    db::Dataset* data = m_link.dataset();
    if (!data)
        return;
    switch (which) {
    case nbFirst: data->first(); break;
    case nbPrior: data->prior(); break;
    case nbNext: data->next(); break;
    case nbLast: data->last(); break;
    case nbInsert: data->insert(); break;
    case nbDelete:
        if (!m_confirmDelete || confirm(tr("Delete record?")))
            data->deleteRecord();
        break;
    case nbEdit: data->edit(); break;
    case nbPost: data->post(); break;
    case nbCancel: data->cancel(); break;
    case nbRefresh: data->refresh(); break;
    }
    emit clicked(which);
}

void DBNavigator::setFocusedIndex(int index)
{
    m_focused = index;
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[std::size_t(i)]->setFocusMark(hasFocus() && i == m_focused);
}

// To the previous or next visible button, staying at the ends.
void DBNavigator::moveFocus(int step)
{
    for (int i = m_focused + step; i >= 0 && i < kButtonCount; i += step)
        if (m_visible.testFlag(kButtonOrder[std::size_t(i)])) {
            setFocusedIndex(i);
            return;
        }
    if (!m_visible.testFlag(focusedButton()))
        for (int i = 0; i < kButtonCount; ++i)
            if (m_visible.testFlag(kButtonOrder[std::size_t(i)])) {
                setFocusedIndex(i);
                return;
            }
}

void DBNavigator::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: moveFocus(-1); break;
    case Qt::Key_Right: moveFocus(1); break;
    case Qt::Key_Space: {
        NavigatorButton* b = m_buttons[std::size_t(m_focused)];
        if (b->isEnabled() && m_visible.testFlag(focusedButton()))
            guarded([&] { clickButton(focusedButton()); });
        break;
    }
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void DBNavigator::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    QWidget::changeEvent(event);
}

void DBNavigator::focusInEvent(QFocusEvent* event)
{
    setFocusedIndex(m_focused);
    QWidget::focusInEvent(event);
}

void DBNavigator::focusOutEvent(QFocusEvent* event)
{
    setFocusedIndex(m_focused);
    QWidget::focusOutEvent(event);
}

} // namespace controls
