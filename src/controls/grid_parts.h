#pragma once
// The grid's own parts, internal to controls: its title area, indicator
// column, cell delegate and the selection model that moves the dataset. Each
// is a child of the grid's widget and sees the grid through GridHost.
#include "controls/grid_host.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

#include <optional>
#include <utility>

namespace controls {

class DatasetModel;

// The title area: single or multi-level titles, cells spanning the columns
// that share an upper level; a double click on a column border reports it.
class TitleHeader : public QHeaderView {
    Q_OBJECT
public:
    TitleHeader(const GridHost& host, QWidget* grid);

    void setCells(const QList<grid_layout::TitleCell>& cells, int rows);
    int lineHeight() const;
    QSize sizeHint() const override;
    // The column whose right border is at x (within the grip margin), or -1.
    int borderAt(int x) const;

signals:
    void borderDoubleClicked(int column);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect cellRect(const grid_layout::TitleCell& cell, const QRect& sectionRect) const;

    const GridHost& m_host;
    QList<grid_layout::TitleCell> m_cells;
    int m_rows = 1;
};

// The indicator column: marks the current row as browsed, edited or inserted.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    IndicatorHeader(const GridHost& host, QWidget* grid);
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    const GridHost& m_host;
};

// Paints cells (highlights, lines, the edit button) and makes the editors: a
// line edit, or for a lookup column a drop-down of the lookup dataset's rows.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridDelegate(GridHost& host, QWidget* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // A refusal is shown by the model.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    // Writes the editor's value into the cell's field; throws the field's or
    // the dataset's refusal.
    void writeEditor(QWidget* editor, DatasetModel& model, const QModelIndex& index) const;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    QWidget* openEditor() const { return m_editor; }
    QModelIndex editorIndex(const QWidget* editor) const;
    static bool isModified(const QWidget* editor);
    // What the editor holds and the role it is written with; nothing for a
    // drop-down with no entry chosen.
    static std::optional<std::pair<QVariant, int>> editorValue(const QWidget* editor);
    // Where a cell's drop-down button is drawn.
    static QRect editButtonRect(const QRect& cellInner);
    bool showsEditButton(const QModelIndex& index) const;
    QRect innerRect(const QRect& cell) const;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    GridHost& m_host;
    QWidget* m_grid; // drawn with its style
    mutable QPointer<QWidget> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
};

// Every change of the view's current index passes here first: the dataset
// moves to the new row (posting a pending change), and only if it did does
// the view follow.
class GridSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel* model, GridHost& host, QObject* grid);
    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;

private:
    GridHost& m_host;
};

} // namespace controls
