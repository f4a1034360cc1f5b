#pragma once
// The pure arithmetic of the grid's layout, kept apart from the widgets so it
// can be checked with plain numbers: column auto-fit and multi-level titles.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

namespace controls::grid_layout {

// ---- auto-fit of column widths ----

// The width the columns share: the client width less the indicator column
// when it is shown, less one line pixel per column when column lines are
// drawn, and one more (the indicator's own line) when both.
int widthToShare(int clientWidth, int indicatorWidth, int columnCount, bool indicator, bool columnLines);

// A column's own limits; 0 means none.
struct WidthLimits {
    int minimum = 0;
    int maximum = 0;
};

// Each column's share of `width` in proportion to its base width, rounded to
// the nearest pixel. A column whose limit changes its share is fixed at that
// limit and the others are shared again from what is left; what rounding
// leaves over goes to the right-most column that is not fixed.
QVector<int> fitWidths(const QVector<int>& baseWidths, int width, const QVector<WidthLimits>& limits = {});

// The user set `column` to `newWidth` pixels while auto-fit shares `width`:
// its base width is rescaled to that and the difference is taken from the
// next column's base width, never below 0.
QVector<int> rescaleBaseWidths(QVector<int> baseWidths, int column, int newWidth, int width);

// ---- multi-level titles ----

// One cell of the title area: `level` is its top row, `levels` how many rows
// it covers, and it spans the columns firstColumn..lastColumn.
struct TitleCell {
    int level = 0;
    int levels = 1;
    int firstColumn = 0;
    int lastColumn = 0;
    QString text;
    friend bool operator==(const TitleCell&, const TitleCell&) = default;
};

// Titles split at "|" into levels, top level first (with `multiLevel`
// false every title is one level as it stands).
QStringList titleLevels(const QString& title, bool multiLevel);
// The title area's rows: as many as the deepest title has levels (at least 1).
int titleDepth(const QStringList& titles, bool multiLevel);
// The cells, level by level from the top: adjacent columns whose titles begin
// with the same texts down to a level share that level's cell when both have
// a further level below it; a column's last level stretches down to the
// bottom row.
QList<TitleCell> titleCells(const QStringList& titles, bool multiLevel);

} // namespace controls::grid_layout
