#include "controls/db_lookup_combo_box.h"

#include "controls/dataset_model.h"
#include "controls/dialogs.h"
#include "db/dataset.h"
#include "db/field.h"
#include "db/key_value.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QListView>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace controls {
namespace {

DBLookupComboBox::Clock& searchClock()
{
    static DBLookupComboBox::Clock clock = [] {
        static QElapsedTimer timer;
        if (!timer.isValid())
            timer.start();
        return timer.elapsed();
    };
    return clock;
}

// One time of the last keystroke for all lookup boxes.
std::optional<qint64>& lastKeystroke()
{
    static std::optional<qint64> time;
    return time;
}

bool isAltArrow(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && (event->modifiers() & Qt::AltModifier);
}

} // namespace

// The drop-down list: a popup window with a list view over the list source.
class LookupPopup : public QFrame {
public:
    explicit LookupPopup(DBLookupComboBox* box)
        : QFrame(box, Qt::Popup)
        , m_box(box)
        , m_view(new QListView(this))
    {
        setAttribute(Qt::WA_NoMouseReplay); // a click on the box only closes the list
        setFrameStyle(QFrame::Box | QFrame::Plain);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(m_view);
        m_view->setObjectName(QStringLiteral("lookupList"));
        m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_view->setSelectionMode(QAbstractItemView::SingleSelection);
        m_view->setUniformItemSizes(true);
        m_view->installEventFilter(this);
        m_view->viewport()->installEventFilter(this);
        QObject::connect(m_view, &QListView::clicked, box, [box](const QModelIndex& index) {
            box->listView()->setCurrentIndex(index);
            box->closeUp(true);
        });
    }
    QListView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_view && event->type() == QEvent::KeyPress)
            return m_box->handlePopupKey(static_cast<QKeyEvent*>(event));
        return QFrame::eventFilter(watched, event);
    }
    void hideEvent(QHideEvent* event) override
    {
        QFrame::hideEvent(event);
        m_box->update();
    }

private:
    DBLookupComboBox* m_box;
    QListView* m_view;
};

void DBLookupComboBox::setClock(Clock clock)
{
    searchClock() = std::move(clock);
}

void DBLookupComboBox::resetSearchTime()
{
    lastKeystroke().reset();
}

DBLookupComboBox::DBLookupComboBox(QWidget* parent)
    : QWidget(parent)
    , m_model(new DatasetModel(this))
    , m_popup(new LookupPopup(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_InputMethodEnabled);
    m_popup->view()->setModel(m_model);
    // The text shown follows the list source: reopened, refreshed or edited.
    auto repaint = [this] { update(); };
    // A list read again is searched afresh.
    connect(&m_link, &db::DataLink::reset, this, [this] {
        m_searchText.clear();
        update();
    });
    connect(&m_link, &db::DataLink::stateChanged, this, repaint);
    connect(&m_link, &db::DataLink::rowInserted, this, repaint);
    connect(&m_link, &db::DataLink::rowRemoved, this, repaint);
    connect(&m_link, &db::DataLink::rowChanged, this, repaint);
    connect(&m_link, &db::DataLink::activeChanged, this, [this](bool active) {
        if (!active)
            closeUp(false);
        m_searchText.clear();
        update();
    });
}

DBLookupComboBox::~DBLookupComboBox() = default;

void DBLookupComboBox::setListSource(db::DataSource* source)
{
    m_link.setDataSource(source);
    m_model->setDataSource(source);
    update();
}

db::DataSource* DBLookupComboBox::listSource() const
{
    return m_link.dataSource();
}

void DBLookupComboBox::setKeyField(const QString& name)
{
    m_keyField = name;
    update();
}

void DBLookupComboBox::setListField(const QString& name)
{
    m_listField = name;
    m_model->setFieldNames({name});
    update();
}

void DBLookupComboBox::setKeyValue(const QVariant& key)
{
    if (db::sameKey(key, m_key))
        return;
    m_key = key;
    update();
    emit changed();
}

int DBLookupComboBox::listRowCount() const
{
    const db::Dataset* list = m_link.dataset();
    return list ? list->recordCount() : 0;
}

QVariant DBLookupComboBox::keyAt(int row) const
{
    const db::Dataset* list = m_link.dataset();
    if (!list)
        return {};
    if (const db::Field* field = list->findField(m_keyField))
        return field->valueAt(row);
    return list->storedValue(row, list->columnIndex(m_keyField));
}

QString DBLookupComboBox::listTextAt(int row) const
{
    return m_model->cellText(row, 0);
}

int DBLookupComboBox::rowOfKey() const
{
    const db::Dataset* list = m_link.dataset();
    return list ? list->locate(m_keyField, m_key) : -1;
}

QString DBLookupComboBox::text() const
{
    const int row = rowOfKey();
    return row >= 0 ? listTextAt(row) : QString();
}

bool DBLookupComboBox::listFieldIsText() const
{
    const db::Dataset* list = m_link.dataset();
    if (!list)
        return false;
    if (const db::Field* field = list->findField(m_listField))
        return db::isTextType(field->type()) || field->type() == db::FieldType::Unknown;
    const int column = list->columnIndex(m_listField);
    return column >= 0
        && (db::isTextType(list->columns()[column].type) || list->columns()[column].type == db::FieldType::Unknown);
}

void DBLookupComboBox::selectRow(int row)
{
    if (row < 0 || row >= listRowCount())
        return;
    const QVariant key = keyAt(row);
    guarded([&] {
        if (m_selectionCheck)
            m_selectionCheck(key);
        setKeyValue(key);
        emit selected();
    });
}

void DBLookupComboBox::step(int delta)
{
    const int rows = listRowCount();
    if (rows == 0)
        return;
    const int current = rowOfKey();
    selectRow(current < 0 ? 0 : std::clamp(current + delta, 0, rows - 1));
}

int DBLookupComboBox::searchRow(QChar typed)
{
    const qint64 now = searchClock()();
    if (!lastKeystroke() || now - *lastKeystroke() > kSearchPause)
        m_searchText.clear();
    lastKeystroke() = now;
    if (m_searchText.size() >= kSearchLimit)
        return -1;
    const QString tried = m_searchText + typed;
    for (int row = 0; row < listRowCount(); ++row)
        if (listTextAt(row).startsWith(tried, Qt::CaseInsensitive)) {
            m_searchText = tried;
            return row;
        }
    return -1;
}

bool DBLookupComboBox::isListVisible() const
{
    return m_popup->isVisible();
}

QListView* DBLookupComboBox::listView() const
{
    return m_popup->view();
}

void DBLookupComboBox::dropDown()
{
    if (isListVisible() || !isEnabled() || !m_link.isActive())
        return;
    QListView* view = m_popup->view();
    const int rows = std::max(1, std::min(kDropDownRows, listRowCount()));
    const int rowHeight = std::max(view->sizeHintForRow(0), fontMetrics().height() + 2);
    const QSize size(width(), rows * rowHeight + 2 * view->frameWidth() + 2);
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* s = screen(); s && at.y() + size.height() > s->availableGeometry().bottom())
        at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
    m_popup->setGeometry(QRect(at, size));
    // With nothing chosen the first entry is offered, highlighted: Enter
    // takes it, and so does the first Down (it does not skip it).
    const int row = rowOfKey();
    view->setCurrentIndex(m_model->index(std::max(row, 0), 0));
    m_firstOffered = row < 0;
    m_popup->show();
    view->setFocus();
    if (row >= 0)
        view->scrollTo(view->currentIndex(), QAbstractItemView::PositionAtTop);
    update();
}

void DBLookupComboBox::closeUp(bool accept)
{
    if (!isListVisible())
        return;
    const QModelIndex highlighted = m_popup->view()->currentIndex();
    const bool chosen = accept && highlighted.isValid() && m_popup->view()->selectionModel()->isSelected(highlighted);
    m_popup->hide();
    if (chosen)
        selectRow(highlighted.row());
}

bool DBLookupComboBox::handlePopupKey(QKeyEvent* event)
{
    if (!guarded([&] { emit keyPressed(event); }))
        return true;
    switch (event->key()) {
    case Qt::Key_Escape: closeUp(false); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4: closeUp(true); return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (isAltArrow(event)) {
            closeUp(true);
            return true;
        }
        if (std::exchange(m_firstOffered, false) && event->key() == Qt::Key_Down)
            return true; // the entry offered is the first one down
        return false; // moves the highlight
    case Qt::Key_Backspace: m_searchText.clear(); return true;
    default: break;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && listFieldIsText()) {
        m_firstOffered = false;
        // In the open list typing only moves the highlight.
        if (const int row = searchRow(typed.at(0)); row >= 0)
            m_popup->view()->setCurrentIndex(m_model->index(row, 0));
        return true;
    }
    return false;
}

void DBLookupComboBox::keyPressEvent(QKeyEvent* event)
{
    if (!guarded([&] { emit keyPressed(event); }))
        return;
    const int key = event->key();
    if (isAltArrow(event) || key == Qt::Key_F4) {
        dropDown();
        return;
    }
    switch (key) {
    case Qt::Key_Up: step(-1); return;
    case Qt::Key_Down: step(1); return;
    case Qt::Key_Backspace: m_searchText.clear(); return;
    case Qt::Key_Escape:
        m_searchText.clear();
        event->ignore(); // a dialog's Escape still works
        return;
    default: break;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (listFieldIsText())
            selectRow(searchRow(typed.at(0)));
        return;
    }
    QWidget::keyPressEvent(event);
}

void DBLookupComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (isListVisible())
        closeUp(false);
    else
        dropDown();
}

// Coming back from another box, the text typed there earlier does not
// hold up the search here. The focus coming back from the box's own list is
// still the same search.
void DBLookupComboBox::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        m_searchText.clear();
    update();
}

void DBLookupComboBox::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

QSize DBLookupComboBox::sizeHint() const
{
    QStyleOptionComboBox option;
    option.initFrom(this);
    const QSize text(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 17, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
}

QSize DBLookupComboBox::minimumSizeHint() const
{
    return sizeHint();
}

void DBLookupComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = false;
    option.frame = true;
    option.currentText = text();
    if (isListVisible())
        option.state |= QStyle::State_On;
    if (hasFocus())
        option.state |= QStyle::State_Selected;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace controls
