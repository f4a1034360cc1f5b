#include "controls/grid_parts.h"

#include "controls/dataset_model.h"
#include "controls/dialogs.h"
#include "db/dataset.h"
#include "db/field.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <qdrawutil.h>

namespace controls {
namespace {

constexpr int kEditButtonWidth = 16;

void drawFixedCell(QPainter* painter, const QRect& rect, const QPalette& palette, bool raised)
{
    if (raised) {
        qDrawShadePanel(painter, rect, palette, false, 1, &palette.brush(QPalette::Button));
        return;
    }
    painter->fillRect(rect, palette.brush(QPalette::Button));
    painter->setPen(palette.color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
}

// The field shown in the index's column, if any.
const db::Field* fieldAt(const QModelIndex& index)
{
    const auto* model = qobject_cast<const DatasetModel*>(index.model());
    return model ? model->field(index.column()) : nullptr;
}

} // namespace

// ---- title area ----

TitleHeader::TitleHeader(const GridHost& host, QWidget* grid)
    : QHeaderView(Qt::Horizontal, grid)
    , m_host(host)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    setStretchLastSection(false);
}

void TitleHeader::setCells(const QList<grid_layout::TitleCell>& cells, int rows)
{
    m_cells = cells;
    m_rows = std::max(1, rows);
    updateGeometry();
    viewport()->update();
}

int TitleHeader::lineHeight() const
{
    const ColumnLayout& layout = m_host.columnLayout();
    int height = QFontMetrics(layout.titleFont()).height();
    for (int column = 0; column < layout.count(); ++column)
        height = std::max(height, QFontMetrics(layout.columnTitleFont(column)).height());
    return height + 4;
}

// The height is the title rows'; the width is the columns' own. Asking the
// base class would measure every title's text at each layout of the view.
QSize TitleHeader::sizeHint() const
{
    return {length(), m_rows * lineHeight()};
}

QRect TitleHeader::cellRect(const grid_layout::TitleCell& cell, const QRect& sectionRect) const
{
    const int left = sectionViewportPosition(cell.firstColumn);
    const int right = sectionViewportPosition(cell.lastColumn) + sectionSize(cell.lastColumn);
    const int line = lineHeight();
    const int top = cell.level * line;
    // The bottom row takes whatever height the area has.
    const int bottom = cell.level + cell.levels >= m_rows ? std::max(sectionRect.bottom() + 1, top + line)
                                                           : top + cell.levels * line;
    return QRect(left, top, right - left, bottom - top);
}

void TitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const bool raised = m_host.look().raisedFixedCells;
    const ColumnLayout& layout = m_host.columnLayout();
    painter->save();
    painter->setClipRect(rect, Qt::IntersectClip);
    for (const grid_layout::TitleCell& cell : m_cells) {
        if (logicalIndex < cell.firstColumn || logicalIndex > cell.lastColumn)
            continue;
        const QRect area = cellRect(cell, rect);
        drawFixedCell(painter, area, palette(), raised);
        const GridColumn& column = layout.column(cell.firstColumn);
        // A shared upper cell is centred over its columns.
        const Qt::Alignment alignment = cell.firstColumn == cell.lastColumn
            ? (column.titleAlignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter
            : Qt::AlignHCenter | Qt::AlignVCenter;
        const QFont font = layout.columnTitleFont(cell.firstColumn);
        painter->setFont(font);
        painter->setPen(palette().color(QPalette::ButtonText));
        const QRect textArea = area.adjusted(3, 1, -3, -1);
        painter->drawText(textArea, int(alignment),
                          QFontMetrics(font).elidedText(cell.text, Qt::ElideRight, textArea.width()));
    }
    painter->restore();
}

int TitleHeader::borderAt(int x) const
{
    const int margin = std::max(2, style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this));
    const int visual = visualIndexAt(x);
    if (visual < 0)
        return -1;
    const int logical = logicalIndex(visual);
    const int start = sectionViewportPosition(logical);
    const int end = start + sectionSize(logical);
    if (end - x <= margin)
        return logical;
    if (x - start < margin && visual > 0)
        return logicalIndex(visual - 1);
    return -1;
}

void TitleHeader::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int column = borderAt(event->position().toPoint().x());
    if (column >= 0) {
        emit borderDoubleClicked(column);
        event->accept();
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

// ---- indicator column ----

IndicatorHeader::IndicatorHeader(const GridHost& host, QWidget* grid)
    : QHeaderView(Qt::Vertical, grid)
    , m_host(host)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setHighlightSections(false);
    setMinimumSectionSize(1);
}

QSize IndicatorHeader::sizeHint() const
{
    return {ColumnLayout::kIndicatorWidth + m_host.look().columnLineWidth(), defaultSectionSize()};
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    drawFixedCell(painter, rect, palette(), m_host.look().raisedFixedCells);
    const RowMark mark = m_host.rowMark(logicalIndex);
    if (mark == RowMark::None)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::ButtonText);
    const QPointF c = QRectF(rect).center();
    switch (mark) {
    case RowMark::Browse: // a right-pointing triangle
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        painter->drawPolygon(QPolygonF({c + QPointF(-2, -4), c + QPointF(2.5, 0), c + QPointF(-2, 4)}));
        break;
    case RowMark::Edit: // an I-beam
        painter->setPen(QPen(ink, 1.2));
        painter->drawLine(c + QPointF(0, -4), c + QPointF(0, 4));
        painter->drawLine(c + QPointF(-2, -4.5), c + QPointF(2, -4.5));
        painter->drawLine(c + QPointF(-2, 4.5), c + QPointF(2, 4.5));
        break;
    case RowMark::Insert: // an asterisk
        painter->setPen(QPen(ink, 1.3));
        for (int angle = 0; angle < 180; angle += 60) {
            QLineF spoke = QLineF::fromPolar(3.8, angle).translated(c);
            painter->drawLine(QLineF(c * 2 - spoke.p2(), spoke.p2()));
        }
        break;
    case RowMark::None: break;
    }
    painter->restore();
}

// ---- cells and editors ----

GridDelegate::GridDelegate(GridHost& host, QWidget* grid)
    : QStyledItemDelegate(grid)
    , m_host(host)
    , m_grid(grid)
{
}

QRect GridDelegate::innerRect(const QRect& cell) const
{
    const GridLook look = m_host.look();
    return cell.adjusted(0, 0, look.columnLines ? -1 : 0, look.rowLines ? -1 : 0);
}

QRect GridDelegate::editButtonRect(const QRect& cellInner)
{
    return {cellInner.right() - kEditButtonWidth + 1, cellInner.top(), kEditButtonWidth, cellInner.height()};
}

bool GridDelegate::showsEditButton(const QModelIndex& index) const
{
    const ColumnLayout& layout = m_host.columnLayout();
    if (!index.isValid() || index.column() >= layout.count())
        return false;
    const db::Field* f = fieldAt(index);
    return f && f->isLookup() && layout.column(index.column()).alwaysShowEditButton;
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const GridLook look = m_host.look();
    const CellMarks marks = m_host.cellMarks(index);
    const QPalette& palette = option.palette;
    const QRect inner = innerRect(option.rect);

    QColor background = palette.color(QPalette::Base);
    QColor ink = palette.color(QPalette::Text);
    if (marks.highlighted) {
        background = palette.color(QPalette::Highlight);
        ink = palette.color(QPalette::HighlightedText);
    } else if (marks.tinted) {
        const QColor h = palette.color(QPalette::Highlight);
        const QColor b = palette.color(QPalette::Base);
        background = QColor((h.red() + 3 * b.red()) / 4, (h.green() + 3 * b.green()) / 4, (h.blue() + 3 * b.blue()) / 4);
    }
    painter->fillRect(inner, background);

    QRect textArea = inner.adjusted(2, 0, -2, 0);
    if (showsEditButton(index)) {
        const QRect button = editButtonRect(inner);
        textArea.setRight(button.left() - 2);
        QStyleOptionButton bevel;
        bevel.rect = button;
        bevel.palette = palette;
        bevel.state = QStyle::State_Enabled | QStyle::State_Raised;
        QStyle* style = m_grid->style();
        style->drawPrimitive(QStyle::PE_PanelButtonBevel, &bevel, painter, m_grid);
        QStyleOption arrow;
        arrow.rect = button.adjusted(3, 3, -3, -3);
        arrow.palette = palette;
        arrow.state = QStyle::State_Enabled;
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, m_grid);
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        painter->setFont(option.font);
        painter->setPen(ink);
        // Eliding shapes the text once more: only texts that may not fit.
        const bool mayOverflow = qint64(text.size()) * option.fontMetrics.maxWidth() > textArea.width();
        painter->drawText(textArea, int(alignment) | Qt::TextSingleLine,
                          mayOverflow ? option.fontMetrics.elidedText(text, Qt::ElideRight, textArea.width()) : text);
    }
    if (marks.framed) {
        QPen dotted(ink, 1, Qt::DotLine);
        painter->setPen(dotted);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(inner.adjusted(0, 0, -1, -1));
    }
    const QColor lineColor(QRgb(m_grid->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, m_grid)));
    painter->setPen(lineColor);
    if (look.columnLines)
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    if (look.rowLines)
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const db::Field* f = fieldAt(index);
    QWidget* editor = nullptr;
    if (f && f->isLookup()) {
        auto* combo = new QComboBox(parent);
        combo->setFrame(false);
        const db::LookupDefinition& lookup = *f->lookup();
        if (lookup.dataset && lookup.dataset->isOpen()) {
            const db::Dataset& list = *lookup.dataset;
            const int keyColumn = list.columnIndex(lookup.lookupKeyField);
            const int textColumn = list.columnIndex(lookup.resultField);
            for (int row = 0; row < list.recordCount(); ++row)
                combo->addItem(list.storedValue(row, textColumn).toString(), list.storedValue(row, keyColumn));
        }
        combo->setMaxVisibleItems(12);
        // With nothing chosen (a new row), the list's focus would make its
        // first entry current without highlighting it, and the first Down
        // would go on to the second.
        combo->view()->setCurrentIndex(QModelIndex());
        connect(combo, &QComboBox::activated, this, [this, combo] { m_host.editorChoiceMade(combo); });
        editor = combo;
    } else {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        if (f && db::isTextType(f->type()) && f->size() > 0)
            line->setMaxLength(f->size());
        connect(line, &QLineEdit::textEdited, this, [this] { m_host.editorTextEdited(); });
        editor = line;
    }
    // A right click on the open editor shows the grid's own menu, as on any
    // other cell: the editor defers it to the grid.
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    m_editor = editor;
    m_editorIndex = index;
    return editor;
}

void GridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (m_editor == editor) {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

QModelIndex GridDelegate::editorIndex(const QWidget* editor) const
{
    return editor && editor == m_editor ? QModelIndex(m_editorIndex) : QModelIndex();
}

bool GridDelegate::isModified(const QWidget* editor)
{
    const auto* line = qobject_cast<const QLineEdit*>(editor);
    return line && line->isModified();
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findData(index.data(DatasetModel::KeyRole)));
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && !line->isModified())
        line->setText(index.data(Qt::EditRole).toString());
}

std::optional<std::pair<QVariant, int>> GridDelegate::editorValue(const QWidget* editor)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(editor)) {
        if (combo->currentIndex() < 0)
            return std::nullopt;
        return std::pair{combo->currentData(), int(DatasetModel::KeyRole)};
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return std::pair{QVariant(line->text()), int(Qt::EditRole)};
    return std::nullopt;
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (const auto value = editorValue(editor))
        model->setData(index, value->first, value->second);
}

void GridDelegate::writeEditor(QWidget* editor, DatasetModel& model, const QModelIndex& index) const
{
    if (const auto value = editorValue(editor))
        model.writeCell(index, value->first, value->second);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(innerRect(option.rect));
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    if (event->type() == QEvent::KeyPress && editor && m_host.keyPressed(static_cast<QKeyEvent*>(event), editor))
        return true;
    // A line editor with nothing selected leaves copying to the grid (its
    // rows, or the current cell as shown): it does not claim the key.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        if (const auto* line = qobject_cast<const QLineEdit*>(editor); line && !line->hasSelectedText()) {
            event->ignore();
            return true;
        }
    }
    // Losing the focus writes nothing here: moving to another cell writes the
    // text first (a refusal stops the move), and leaving the grid is the
    // grid's own business. Above all a message box taking the focus must not
    // write the refused text a second time.
    if (event->type() == QEvent::FocusOut)
        return false;
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---- current row ----

GridSelectionModel::GridSelectionModel(QAbstractItemModel* model, GridHost& host, QObject* grid)
    : QItemSelectionModel(model, grid)
    , m_host(host)
{
}

void GridSelectionModel::setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command)
{
    // Called from inside the view's own handlers: a refused move is shown
    // here and the current index stays.
    QModelIndex target;
    if (!guarded([&] { target = m_host.moveDatasetTo(index); }))
        return;
    if (index.isValid() && !target.isValid())
        return;
    QItemSelectionModel::setCurrentIndex(target, command);
}

} // namespace controls
