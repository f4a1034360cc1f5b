#include "controls/db_grid.h"

#include "controls/dialogs.h"
#include "controls/find_dialog.h"
#include "controls/grid_parts.h"
#include "db/dataset.h"
#include "db/field.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

namespace controls {

DBGridEh::Options DBGridEh::defaultOptions()
{
    return dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete
        | dgCancelOnExit;
}

DBGridEh::OptionsEh DBGridEh::defaultOptionsEh()
{
    return dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind;
}

DBGridEh::DBGridEh(QWidget* parent)
    : QTableView(parent)
    , m_model(new DatasetModel(this))
    , m_delegate(new GridDelegate(*this, this))
    , m_titles(new TitleHeader(*this, this))
    , m_indicator(new IndicatorHeader(*this, this))
    , m_options(defaultOptions())
    , m_optionsEh(defaultOptionsEh())
{
    m_layout.setTitleFont(font());
    setHorizontalHeader(m_titles);
    setVerticalHeader(m_indicator);
    setItemDelegate(m_delegate);
    // Before the view drops the editors of rows going away (connected ahead
    // of it): the editor's text goes with its row, and the focus stays in
    // the grid. The view would hide the focused editor and move the focus on
    // with a Tab of its own making, writing the text into another row.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { closeCellEditor(false); });
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        const QModelIndex index = m_delegate->editorIndex(cellEditor());
        if (index.isValid() && index.row() >= first && index.row() <= last)
            closeCellEditor(false);
    });
    setModel(m_model);
    QItemSelectionModel* old = selectionModel();
    setSelectionModel(new GridSelectionModel(m_model, *this, this));
    delete old;
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    m_model->setColumnEditable([this](int column) { return cellEditable(column); });

    const db::DataLink* link = &m_model->link();
    // Connected after the model: it has told the view of the new rows.
    connect(link, &db::DataLink::aboutToReset, this, [this] { closeCellEditor(false); });
    connect(link, &db::DataLink::reset, this, &DBGridEh::showRowsReadAgain);
    connect(link, &db::DataLink::currentChanged, this, &DBGridEh::followDatasetCurrent);
    connect(link, &db::DataLink::activeChanged, this, [this](bool active) {
        if (!active)
            closeCellEditor(false);
        followDatasetCurrent();
    });
    connect(link, &db::DataLink::stateChanged, this, [this] {
        m_indicator->viewport()->update();
        // The record posted or cancelled: text typed into the open editor and
        // not taken goes with it, so it is not offered (or refused) again.
        if (const db::Dataset* data = dataset(); data && !data->isEditing() && GridDelegate::isModified(cellEditor()))
            closeCellEditor(false);
        openEditorIfAlwaysShown();
    });
    // Posting or checking the record takes the open editor's text first.
    connect(link, &db::DataLink::updatingRecord, this, &DBGridEh::commitEditor);
    connect(m_titles, &QHeaderView::sectionResized, this, &DBGridEh::onSectionResized);
    connect(m_titles, &TitleHeader::borderDoubleClicked, this, [this](int column) {
        if (m_optionsEh.testFlag(dghDblClickOptimizeColWidth))
            fitColumnToContents(column);
    });
    connect(qApp, &QApplication::focusChanged, this, &DBGridEh::onFocusChanged);
    applyOptions();
}

DBGridEh::~DBGridEh() = default;

void DBGridEh::setDataSource(db::DataSource* source)
{
    closeCellEditor(false);
    m_model->setDataSource(source);
    followDatasetCurrent();
}

// ---- columns, options and layout ----

void DBGridEh::setColumns(const QList<GridColumn>& columns)
{
    closeCellEditor(false);
    m_layout.setColumns(columns);
    m_model->setFieldNames(m_layout.fieldNames());
    applyTitles();
    applyOptions();
    followDatasetCurrent();
}

void DBGridEh::setColumn(int index, const GridColumn& column)
{
    if (index < 0 || index >= columnCount())
        return;
    const bool rebind = m_layout.column(index).fieldName != column.fieldName;
    m_layout.setColumn(index, column);
    if (rebind) {
        closeCellEditor(false);
        m_model->setFieldNames(m_layout.fieldNames());
        followDatasetCurrent();
    }
    applyTitles();
    applyColumnWidths();
    viewport()->update();
}

void DBGridEh::setOptions(Options options)
{
    m_options = options;
    applyOptions();
}

void DBGridEh::setOptionsEh(OptionsEh options)
{
    m_optionsEh = options;
    applyOptions();
}

void DBGridEh::setAutoFitColWidths(bool on)
{
    if (on == m_layout.autoFit())
        return;
    const int line = look().columnLineWidth();
    QVector<int> shown;
    for (int i = 0; i < columnCount(); ++i)
        shown << std::max(0, m_titles->sectionSize(i) - line);
    m_layout.setAutoFit(on, shown);
    applyColumnWidths();
}

void DBGridEh::setUseMultiTitle(bool on)
{
    m_layout.setMultiTitle(on);
    applyTitles();
}

void DBGridEh::setRowLines(int lines)
{
    m_rowLines = std::max(1, lines);
    applyRowHeight();
}

void DBGridEh::setRowHeight(int pixels)
{
    m_rowHeight = std::max(0, pixels);
    applyRowHeight();
}

void DBGridEh::setTitleFont(const QFont& font)
{
    m_layout.setTitleFont(font);
    applyTitles();
}

void DBGridEh::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (readOnly)
        closeCellEditor(true);
    viewport()->update();
}

GridLook DBGridEh::look() const
{
    return {m_optionsEh.testFlag(dghFixed3D), m_options.testFlag(dgColLines), m_options.testFlag(dgRowLines)};
}

ColumnLayout::Area DBGridEh::layoutArea() const
{
    const bool indicator = m_options.testFlag(dgIndicator);
    const GridLook drawn = look();
    const int clientWidth = viewport()->width() + (indicator ? ColumnLayout::kIndicatorWidth + drawn.columnLineWidth() : 0);
    return {clientWidth, indicator, drawn.columnLines};
}

void DBGridEh::applyOptions()
{
    const bool editing = m_options.testFlag(dgEditing);
    setEditTriggers(editing ? DoubleClicked | AnyKeyPressed | EditKeyPressed : NoEditTriggers);
    m_titles->setVisible(m_options.testFlag(dgTitles));
    m_indicator->setVisible(m_options.testFlag(dgIndicator));
    setTabKeyNavigation(m_options.testFlag(dgTabs));
    const bool multi = m_options.testFlag(dgMultiSelect);
    setSelectionMode(multi ? ExtendedSelection : NoSelection);
    setSelectionBehavior(multi ? SelectRows : SelectItems);
    if (!multi)
        selectionModel()->clearSelection();
    m_titles->setSectionResizeMode(m_options.testFlag(dgColumnResize) ? QHeaderView::Interactive
                                                                      : QHeaderView::Fixed);
    if (!editing)
        closeCellEditor(true);
    applyRowHeight();
    applyTitles();
    applyColumnWidths();
    viewport()->update();
}

void DBGridEh::applyTitles()
{
    m_titles->setCells(m_layout.titleCells(), m_layout.titleRows());
    updateGeometries();
}

void DBGridEh::applyRowHeight()
{
    const int text = fontMetrics().height();
    const int height = std::max(m_rowHeight, m_rowLines * text + 3) + (m_options.testFlag(dgRowLines) ? 1 : 0);
    m_indicator->setMinimumSectionSize(1);
    m_indicator->setDefaultSectionSize(height);
    updateGeometries();
}

void DBGridEh::applyColumnWidths()
{
    QScopedValueRollback guard(m_applyingWidths, true);
    setHorizontalScrollBarPolicy(m_layout.autoFit() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    const QVector<int> widths = m_layout.widths(layoutArea());
    const int line = look().columnLineWidth();
    for (int i = 0; i < widths.size(); ++i)
        m_titles->resizeSection(i, widths[i] + line);
}

void DBGridEh::onSectionResized(int logical, int, int newSize)
{
    if (m_applyingWidths || logical < 0 || logical >= columnCount())
        return;
    m_layout.resizeColumn(logical, std::max(0, newSize - look().columnLineWidth()), layoutArea());
    // Auto-fit shares the width again; a set width is shown as dragged.
    if (m_layout.autoFit())
        applyColumnWidths();
}

int DBGridEh::optimalColumnWidth(int column) const
{
    const QFontMetrics cells(font());
    int widest = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        widest = std::max(widest, cells.horizontalAdvance(m_model->cellText(row, column)));
    widest = std::max(widest, QFontMetrics(m_layout.columnTitleFont(column)).horizontalAdvance(m_layout.lowestTitle(column))
                                  + 2);
    if (m_delegate->showsEditButton(m_model->index(0, column)))
        widest += GridDelegate::editButtonRect({}).width() + 2;
    return widest + 6;
}

void DBGridEh::fitColumnToContents(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    m_layout.resizeColumn(column, optimalColumnWidth(column), layoutArea());
    applyColumnWidths();
}

bool DBGridEh::viewportEvent(QEvent* event)
{
    const bool result = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize && m_layout.autoFit())
        applyColumnWidths();
    return result;
}

void DBGridEh::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyRowHeight();
        applyTitles();
    }
}

// ---- current record ----

DBGridEh::RowMark DBGridEh::rowMark(int row) const
{
    const db::Dataset* data = dataset();
    if (!data || row != data->currentRow() || row < 0)
        return RowMark::None;
    switch (data->state()) {
    case db::Dataset::State::Edit: return RowMark::Edit;
    case db::Dataset::State::Insert: return RowMark::Insert;
    default: return RowMark::Browse;
    }
}

CellMarks DBGridEh::cellMarks(const QModelIndex& index) const
{
    // Without the focus the marks show only with dgAlwaysShowSelection.
    if (!m_options.testFlag(dgAlwaysShowSelection) && !hasFocusInside())
        return {};
    const QModelIndex current = currentIndex();
    const bool isCurrentCell = index == current;
    const bool isCurrentRow = current.isValid() && index.row() == current.row();
    const bool selected = m_options.testFlag(dgMultiSelect) && selectionModel()->isSelected(index);
    const bool highlightFocus = m_optionsEh.testFlag(dghHighlightFocus);
    CellMarks marks;
    marks.highlighted = selected || (isCurrentCell && highlightFocus);
    marks.tinted = !marks.highlighted && isCurrentRow && m_optionsEh.testFlag(dghRowHighlight);
    // The focused cell is told from the rest of a selected row by its frame.
    marks.framed = isCurrentCell && (!highlightFocus || selected);
    return marks;
}

int DBGridEh::currentColumn() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : -1;
}

QString DBGridEh::cellText(int row, int column, bool formatted) const
{
    return m_model->cellText(row, column, formatted);
}

void DBGridEh::setCurrentCell(int row, int column)
{
    const QModelIndex index = m_model->index(row, column);
    if (!index.isValid())
        return;
    const bool clear = m_options.testFlag(dgMultiSelect) && m_optionsEh.testFlag(dghClearSelection);
    selectionModel()->setCurrentIndex(index, clear ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                                   : QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

QModelIndex DBGridEh::moveDatasetTo(const QModelIndex& index)
{
    db::Dataset* data = dataset();
    if (m_followingDataset || !index.isValid() || !data)
        return index;
    // The editor's text is written before anything moves, so a refusal
    // leaves the view where it was.
    commitEditor();
    if (index.row() == data->currentRow())
        return index;
    const QPersistentModelIndex target(index);
    // The view makes the index current itself once the dataset has moved.
    QScopedValueRollback moving(m_movingDataset, true);
    data->checkBrowseMode(); // may drop an untouched new row: the target follows
    if (!target.isValid())
        return {};
    data->setCurrentRow(target.row());
    return target;
}

void DBGridEh::followDatasetCurrent()
{
    m_indicator->viewport()->update();
    viewport()->update();
    const db::Dataset* data = dataset();
    if (!data || data->currentRow() < 0 || m_movingDataset)
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == data->currentRow())
        return;
    const int column = current.isValid() ? current.column() : 0;
    QScopedValueRollback guard(m_followingDataset, true);
    setCurrentCell(data->currentRow(), std::max(0, std::min(column, columnCount() - 1)));
}

// The model replaces the rows of a dataset read again in place and the view
// keeps its current cell; the grid shows them as after a reset of the view:
// nothing of the old rows selected, the current record from its first column
// and scrolled to.
void DBGridEh::showRowsReadAgain()
{
    if (selectionModel()->hasSelection())
        selectionModel()->clearSelection();
    const db::Dataset* data = dataset();
    if (!data || data->currentRow() < 0 || m_movingDataset)
        return;
    QScopedValueRollback guard(m_followingDataset, true);
    setCurrentCell(data->currentRow(), 0);
    openEditorIfAlwaysShown();
}

void DBGridEh::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.row() != previous.row()) {
        viewport()->update();
        m_indicator->viewport()->update();
    }
    openEditorIfAlwaysShown();
}

QItemSelectionModel::SelectionFlags DBGridEh::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // Without dghClearSelection, moving with the keys keeps a selection of rows.
    if (m_options.testFlag(dgMultiSelect) && !m_optionsEh.testFlag(dghClearSelection) && event
        && event->type() == QEvent::KeyPress
        && !(static_cast<const QKeyEvent*>(event)->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

// ---- editing ----

bool DBGridEh::canEditRecords() const
{
    const db::Dataset* data = dataset();
    return data && !m_readOnly && m_options.testFlag(dgEditing) && data->canModify();
}

bool DBGridEh::cellEditable(int column) const
{
    return canEditRecords() && column >= 0 && column < columnCount() && !m_layout.column(column).readOnly;
}

QWidget* DBGridEh::cellEditor() const
{
    return m_delegate->openEditor();
}

// The view's own call (its current cell moving on): a refusal is shown here.
void DBGridEh::commitData(QWidget* editor)
{
    guarded([&] { writeEditor(editor); });
}

void DBGridEh::writeEditor(QWidget* editor)
{
    const QModelIndex index = m_delegate->editorIndex(editor);
    if (index.isValid())
        m_delegate->writeEditor(editor, *m_model, index);
}

void DBGridEh::commitEditor()
{
    if (QWidget* editor = cellEditor())
        writeEditor(editor);
}

void DBGridEh::closeCellEditor(bool commit)
{
    QWidget* editor = cellEditor();
    if (!editor)
        return;
    if (commit)
        commitEditor();
    closeEditor(editor, commit ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
}

// Choosing writes the key at once; queued, so that the choice ends first and
// a refusal reaches the error display from its own event.
void DBGridEh::editorChoiceMade(QWidget* editor)
{
    QTimer::singleShot(0, this, [this, editor = QPointer<QWidget>(editor)] {
        if (editor && cellEditor() == editor)
            guarded([this] { commitEditor(); });
    });
}

void DBGridEh::editorTextEdited()
{
    if (db::Dataset* data = dataset(); data && !data->isEditing())
        data->edit();
}

void DBGridEh::focusFirstEditableCell()
{
    const db::Dataset* data = dataset();
    if (!data || data->currentRow() < 0)
        return;
    for (int column = 0; column < columnCount(); ++column) {
        if (!cellEditable(column))
            continue;
        setCurrentCell(data->currentRow(), column);
        setFocus(Qt::OtherFocusReason);
        openEditorIfAlwaysShown();
        return;
    }
}

void DBGridEh::openEditorIfAlwaysShown()
{
    if (!m_options.testFlag(dgAlwaysShowEditor) || !m_options.testFlag(dgEditing) || cellEditor() || m_leaving
        || !hasFocusInside())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && cellEditable(current.column()))
        edit(current);
}

bool DBGridEh::appendAtEnd()
{
    db::Dataset* data = dataset();
    if (!canEditRecords())
        return false;
    // An untouched new last row stays the only one.
    if (data->state() == db::Dataset::State::Insert && !data->isModified() && !GridDelegate::isModified(cellEditor())
        && data->currentRow() == data->recordCount() - 1)
        return true;
    closeCellEditor(true);
    data->append();
    return true;
}

void DBGridEh::moveToNextCell(bool forward)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || columnCount() == 0)
        return;
    int row = current.row();
    int column = current.column() + (forward ? 1 : -1);
    if (column >= columnCount()) {
        column = 0;
        ++row;
    } else if (column < 0) {
        column = columnCount() - 1;
        --row;
    }
    if (row < 0)
        return;
    if (row >= m_model->rowCount()) {
        commitEditor();
        if (appendAtEnd())
            setCurrentCell(currentIndex().row(), 0);
        return;
    }
    setCurrentCell(row, column);
}

// To the next or previous control of the window after the grid itself, not
// after the editor (the last made, last in the window's order), and not into
// the grid's own cells.
void DBGridEh::leaveByTab(bool forward)
{
    QScopedValueRollback leaving(m_leaving, true);
    closeCellEditor(true);
    setFocus(Qt::OtherFocusReason);
    QWidget::focusNextPrevChild(forward);
}

bool DBGridEh::handleKey(QKeyEvent* event, QWidget* editor)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        return insertOrDeleteKey(event->key(), modifiers);
    case Qt::Key_F:
        return modifiers == Qt::ControlModifier && findKey();
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return !(modifiers & ~(Qt::ShiftModifier | Qt::ControlModifier))
            && tabKey(event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier),
                      modifiers.testFlag(Qt::ControlModifier));
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return modifiers == Qt::NoModifier && enterKey(editor);
    case Qt::Key_Escape:
        return modifiers == Qt::NoModifier && escapeKey(editor);
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return rowKey(event, modifiers, editor);
    default:
        return textKey(event, modifiers, editor);
    }
}

// A character that the editor would drop at its column's size is refused
// once in words, as any other refused value is; the editor then goes on
// dropping them quietly.
bool DBGridEh::textKey(QKeyEvent* event, Qt::KeyboardModifiers modifiers, QWidget* editor)
{
    auto* line = qobject_cast<QLineEdit*>(editor);
    const QString typed = event->text();
    if (!line || typed.isEmpty() || !typed.at(0).isPrint() || (modifiers & (Qt::ControlModifier | Qt::AltModifier))
        || line->text().size() - line->selectedText().size() < line->maxLength()
        || line->property("qel_toldTooLong").toBool())
        return false;
    line->setProperty("qel_toldTooLong", true);
    const db::Field* field = m_model->field(currentIndex().column());
    throw db::DatabaseError(tr("The text is too long for field '%1': it holds at most %2 characters")
                                .arg(field ? field->name() : QString())
                                .arg(line->maxLength()),
                            db::DatabaseError::Kind::RefusedByField);
}

bool DBGridEh::findKey()
{
    if (!m_optionsEh.testFlag(dghDialogFind))
        return false;
    openFindDialog();
    return true;
}

// Ctrl+Tab leaves the grid whatever its options, as in any toolkit.
bool DBGridEh::tabKey(bool forward, bool leave)
{
    if (m_options.testFlag(dgTabs) && !leave)
        moveToNextCell(forward);
    else
        leaveByTab(forward);
    return true;
}

bool DBGridEh::enterKey(QWidget* editor)
{
    if (m_optionsEh.testFlag(dghEnterAsTab)) {
        moveToNextCell(true);
        return true;
    }
    if (editor) {
        commitEditor();
        if (!m_options.testFlag(dgAlwaysShowEditor))
            closeCellEditor(false);
        return true;
    }
    if (currentIndex().isValid() && cellEditable(currentIndex().column())) {
        edit(currentIndex());
        return true;
    }
    return false;
}

bool DBGridEh::escapeKey(QWidget* editor)
{
    db::Dataset* data = dataset();
    // First the editor's own change goes, then the record's. A record that
    // the typing alone put into edit state has nothing left to keep, and goes
    // back to browsing with the editor.
    if (editor && GridDelegate::isModified(editor)) {
        closeCellEditor(false);
        if (data && data->state() == db::Dataset::State::Edit && !data->isModified())
            data->cancel();
        openEditorIfAlwaysShown();
        return true;
    }
    closeCellEditor(false);
    if (data && data->isEditing()) {
        data->cancel();
        openEditorIfAlwaysShown();
        return true;
    }
    return editor != nullptr;
}

bool DBGridEh::insertOrDeleteKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
        deleteRecords();
        return true;
    }
    if (key == Qt::Key_Insert && modifiers == Qt::NoModifier && canEditRecords()) {
        closeCellEditor(true);
        dataset()->insert();
        return true;
    }
    return false;
}

bool DBGridEh::rowKey(QKeyEvent* event, Qt::KeyboardModifiers modifiers, QWidget* editor)
{
    const int key = event->key();
    if (key == Qt::Key_Home || key == Qt::Key_End) {
        // Ctrl: the first or last record, also from the editor (whose own
        // Home and End move in its text).
        if (modifiers != Qt::ControlModifier)
            return false;
        if (m_model->rowCount() > 0)
            setCurrentCell(key == Qt::Key_Home ? 0 : m_model->rowCount() - 1, std::max(0, currentColumn()));
        return true;
    }
    const bool vertical = key == Qt::Key_Up || key == Qt::Key_Down;
    if (vertical && modifiers == Qt::AltModifier && !editor) {
        openLookupList();
        return true;
    }
    const db::Dataset* data = dataset();
    if (key == Qt::Key_Down && modifiers == Qt::NoModifier && data
        && (data->isEmpty() || currentIndex().row() == m_model->rowCount() - 1))
        return appendAtEnd();
    if (qobject_cast<QComboBox*>(editor) && !(modifiers & Qt::AltModifier)) {
        // Up and Down move between rows, as in any other cell.
        closeCellEditor(true);
        QTableView::keyPressEvent(event);
        return true;
    }
    return false;
}

// Alt with an arrow opens a lookup cell's list, as in the open editor;
// elsewhere it does nothing (above all, it does not leave the row).
void DBGridEh::openLookupList()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !cellEditable(current.column()) || !m_model->field(current.column())
        || !m_model->field(current.column())->isLookup())
        return;
    edit(current);
    if (auto* combo = qobject_cast<QComboBox*>(cellEditor()))
        combo->showPopup();
}

bool DBGridEh::keyPressed(QKeyEvent* event, QWidget* editor)
{
    bool handled = false;
    // A refused key is done with: nothing else acts on it.
    if (!guarded([&] { handled = handleKey(event, editor); }))
        handled = true;
    return handled;
}

void DBGridEh::keyPressEvent(QKeyEvent* event)
{
    if (keyPressed(event, cellEditor())) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGridEh::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool wasCurrent = index.isValid() && index == currentIndex();
    const QRect cell = visualRect(index);
    const bool onButton = index.isValid() && m_delegate->showsEditButton(index)
        && GridDelegate::editButtonRect(m_delegate->innerRect(cell)).contains(event->position().toPoint());
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !index.isValid() || currentIndex() != index
        || !cellEditable(index.column()))
        return;
    // A click on the current cell, or on a drop-down button, opens the editor.
    if (onButton || (wasCurrent && !cellEditor())) {
        if (!cellEditor())
            edit(index);
        if (auto* combo = qobject_cast<QComboBox*>(cellEditor()); combo && onButton)
            combo->showPopup();
    }
}

// The focus coming to the grid goes on into its open editor, where typing
// edits; with dgAlwaysShowEditor an editor is opened for it.
void DBGridEh::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    if (QWidget* editor = cellEditor(); editor && state() == EditingState)
        editor->setFocus(event->reason());
    else
        openEditorIfAlwaysShown();
}

// ---- leaving the grid ----

bool DBGridEh::isInside(const QWidget* widget) const
{
    // Across windows too: an editor's drop-down list is a window of its own.
    for (; widget; widget = widget->parentWidget())
        if (widget == this)
            return true;
    return false;
}

bool DBGridEh::hasFocusInside() const
{
    return isInside(QApplication::focusWidget());
}

// Only another control of the grid's own window taking the focus leaves the
// grid. Another window taking it (a message box, the find dialog) leaves the
// window's focus here, to come back when the window is active again: the
// open editor and its text stay, and nothing is written or refused while the
// box is shown.
void DBGridEh::onFocusChanged(QWidget* old, QWidget* now)
{
    if (isInside(old) != isInside(now))
        viewport()->update();
    if (isInside(now)) {
        m_holdsFocus = true;
        return;
    }
    if (!m_holdsFocus || !now || now->window() != window())
        return;
    m_holdsFocus = false;
    // Run from its own event, so that a refusal reaches the error display
    // without unwinding through the focus change.
    QTimer::singleShot(0, this, [this] {
        if (!hasFocusInside())
            guarded([this] { onExit(); });
    });
}

// The editor closing while its window remembers it as the focused control
// but is not active (a message box has the focus): the window's focus goes
// to the grid, so that it comes back here, not to the window's first control.
void DBGridEh::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QWidget* remembered = window()->focusWidget();
    const bool keepFocus =
        editor && !editor->hasFocus() && remembered && (remembered == editor || editor->isAncestorOf(remembered));
    QTableView::closeEditor(editor, hint);
    if (keepFocus)
        setFocus(Qt::OtherFocusReason);
}

void DBGridEh::onExit()
{
    db::Dataset* data = dataset();
    if (!data)
        return;
    closeCellEditor(true);
    if (m_options.testFlag(dgCancelOnExit) && data->state() == db::Dataset::State::Insert && !data->isModified())
        data->cancel();
}

// ---- deleting and finding ----

int DBGridEh::selectedRowCount() const
{
    return m_options.testFlag(dgMultiSelect) ? int(selectionModel()->selectedRows().size()) : 0;
}

void DBGridEh::deleteRecords()
{
    db::Dataset* data = dataset();
    if (m_readOnly || !data || data->isEmpty() || !data->canModify())
        return;
    const int selected = selectedRowCount();
    if (m_options.testFlag(dgConfirmDelete)
        && !confirm(selected >= 2 ? tr("Delete all selected records?") : tr("Delete record?")))
        return;
    if (selected == 0) {
        closeCellEditor(false);
        data->deleteRecord();
        return;
    }
    closeCellEditor(false);
    if (data->isEditing())
        data->cancel();
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    selectionModel()->clearSelection();
    // All of them or, when the server refuses one, none.
    data->deleteRecords(rows);
}

void DBGridEh::openFindDialog()
{
    FindDialog::instance()->showFor(this);
}

} // namespace controls
