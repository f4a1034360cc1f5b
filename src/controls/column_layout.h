#pragma once
// The grid's column layout: its columns with their set widths, auto-fit and
// titles (ColumnLayout), over the pure arithmetic of auto-fit and multi-level
// titles (grid_layout), kept apart from the widgets so that both can be
// checked with plain numbers.
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

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

namespace controls {

struct GridColumn {
    QString fieldName;
    QString title;
    int width = 64; // pixels, without the column line
    bool readOnly = false;
    bool alwaysShowEditButton = false;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    std::optional<QFont> titleFont; // the grid's title font when unset
    int minWidth = 0;               // limits for auto-fit; 0: none
    int maxWidth = 0;
};

// The grid's columns and how they lie side by side: each at its set width or,
// with auto-fit, at its share of the visible width in proportion to its base
// width; titles in one or more levels.
class ColumnLayout {
public:
    // Width of the indicator column, without its line.
    static constexpr int kIndicatorWidth = 11;

    // What the columns are laid out in: the grid's client width, and whether
    // the indicator column and the column lines take their part of it.
    struct Area {
        int clientWidth = 0;
        bool indicator = false;
        bool columnLines = false;
    };

    // New columns; their set widths become the base widths.
    void setColumns(const QList<GridColumn>& columns);
    void setColumn(int index, const GridColumn& column);
    const QList<GridColumn>& columns() const { return m_columns; }
    const GridColumn& column(int index) const { return m_columns.at(index); }
    int count() const { return int(m_columns.size()); }
    QStringList fieldNames() const;

    // Switching on takes the set widths as base widths; switching off takes
    // the widths shown until then as set widths.
    void setAutoFit(bool on, const QVector<int>& shownWidths);
    bool autoFit() const { return m_autoFit; }
    // The widths auto-fit shares the width by.
    const QVector<int>& baseWidths() const { return m_baseWidths; }
    // Each column's width, without its line, in `area`.
    QVector<int> widths(const Area& area) const;
    // The user (or fitting to the contents) made a column `width` pixels
    // wide: its set width or, with auto-fit, its base width follows.
    void resizeColumn(int column, int width, const Area& area);

    void setMultiTitle(bool on) { m_multiTitle = on; }
    bool multiTitle() const { return m_multiTitle; }
    QList<grid_layout::TitleCell> titleCells() const;
    int titleRows() const;
    // The level of a column's title right above its cells.
    QString lowestTitle(int column) const;
    void setTitleFont(const QFont& font) { m_titleFont = font; }
    QFont titleFont() const { return m_titleFont; }
    // The column's own title font, or the grid's.
    QFont columnTitleFont(int column) const;

private:
    // The one rule for the width the columns share.
    int widthToShare(const Area& area) const;
    QStringList titles() const;

    QList<GridColumn> m_columns;
    QVector<int> m_baseWidths;
    bool m_autoFit = false;
    bool m_multiTitle = false;
    QFont m_titleFont;
};

} // namespace controls
