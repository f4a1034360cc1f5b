#pragma once
// The grid as its parts (title area, indicator column, cell delegate and
// selection model) see it: what to draw, and where an editor's events and the
// view's moves of its current row go. The grid implements it; the parts know
// nothing else of the grid.
#include "controls/column_layout.h"

#include <QModelIndex>

class QKeyEvent;
class QWidget;

namespace controls {

// What the indicator shows for a row.
enum class RowMark { None, Browse, Edit, Insert };

// The grid's options as drawing needs them.
struct GridLook {
    bool raisedFixedCells = false; // title and indicator cells
    bool columnLines = false;
    bool rowLines = false;
    // A column line's width in pixels.
    int columnLineWidth() const { return columnLines ? 1 : 0; }
};

// How one cell is marked.
struct CellMarks {
    bool highlighted = false; // selected, or the focused cell when it is highlighted
    bool tinted = false;      // on the highlighted current row
    bool framed = false;      // the focused cell, unless its highlight alone tells it
};

class GridHost {
public:
    virtual const ColumnLayout& columnLayout() const = 0;
    virtual GridLook look() const = 0;
    virtual CellMarks cellMarks(const QModelIndex& index) const = 0;
    virtual RowMark rowMark(int row) const = 0;

    // A key pressed in the grid or in its open `editor` (or nullptr); true
    // when the grid took it. A refusal is shown and counts as taken.
    virtual bool keyPressed(QKeyEvent* event, QWidget* editor) = 0;
    // The user typed into the open line editor.
    virtual void editorTextEdited() = 0;
    // The user chose an entry in the open drop-down `editor`.
    virtual void editorChoiceMade(QWidget* editor) = 0;

    // The view asks to make `index` current: the dataset moves first, and
    // throws its refusal. Returns the index to make current (rows may have
    // shifted), invalid for none.
    virtual QModelIndex moveDatasetTo(const QModelIndex& index) = 0;

protected:
    ~GridHost() = default;
};

} // namespace controls
