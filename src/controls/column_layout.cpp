#include "controls/column_layout.h"

#include <algorithm>
#include <numeric>

namespace controls::grid_layout {
namespace {

// a * b / c rounded to the nearest integer (c > 0).
int scaledRounded(qint64 a, qint64 b, qint64 c)
{
    const qint64 product = a * b;
    const qint64 half = c / 2;
    return int(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

} // namespace

int widthToShare(int clientWidth, int indicatorWidth, int columnCount, bool indicator, bool columnLines)
{
    int width = clientWidth;
    if (indicator)
        width -= indicatorWidth;
    if (columnLines)
        width -= columnCount;
    if (indicator && columnLines)
        width -= 1;
    return width;
}

QVector<int> fitWidths(const QVector<int>& baseWidths, int width, const QVector<WidthLimits>& limits)
{
    const int count = int(baseWidths.size());
    QVector<int> widths(count, 0);
    QVector<bool> fixed(count, false);
    for (;;) {
        int remaining = width;
        qint64 baseSum = 0;
        int rightmostFree = -1;
        for (int i = 0; i < count; ++i) {
            if (fixed[i]) {
                remaining -= widths[i];
            } else {
                baseSum += std::max(0, baseWidths[i]);
                rightmostFree = i;
            }
        }
        if (rightmostFree < 0)
            return widths;
        int given = 0;
        for (int i = 0; i < count; ++i)
            if (!fixed[i]) {
                widths[i] = baseSum > 0 ? scaledRounded(std::max(0, baseWidths[i]), remaining, baseSum) : 0;
                given += widths[i];
            }
        bool refixed = false;
        for (int i = 0; i < count && i < limits.size(); ++i) {
            if (fixed[i])
                continue;
            const WidthLimits& limit = limits[i];
            if (limit.minimum > 0 && widths[i] < limit.minimum) {
                widths[i] = limit.minimum;
                fixed[i] = refixed = true;
            } else if (limit.maximum > 0 && widths[i] > limit.maximum) {
                widths[i] = limit.maximum;
                fixed[i] = refixed = true;
            }
        }
        if (!refixed) {
            widths[rightmostFree] += remaining - given;
            return widths;
        }
    }
}

QVector<int> rescaleBaseWidths(QVector<int> baseWidths, int column, int newWidth, int width)
{
    if (column < 0 || column >= baseWidths.size() || width <= 0)
        return baseWidths;
    const qint64 baseSum = std::accumulate(baseWidths.cbegin(), baseWidths.cend(), qint64(0));
    const int newBase = scaledRounded(newWidth, baseSum, width);
    const int difference = newBase - baseWidths[column];
    baseWidths[column] = newBase;
    if (column + 1 < baseWidths.size())
        baseWidths[column + 1] = std::max(0, baseWidths[column + 1] - difference);
    return baseWidths;
}

QStringList titleLevels(const QString& title, bool multiLevel)
{
    return multiLevel ? title.split(QLatin1Char('|')) : QStringList{title};
}

int titleDepth(const QStringList& titles, bool multiLevel)
{
    int depth = 1;
    for (const QString& title : titles)
        depth = std::max(depth, int(titleLevels(title, multiLevel).size()));
    return depth;
}

QList<TitleCell> titleCells(const QStringList& titles, bool multiLevel)
{
    const int depth = titleDepth(titles, multiLevel);
    QList<QStringList> levels;
    for (const QString& title : titles)
        levels << titleLevels(title, multiLevel);
    // Two columns share level L when their levels 0..L are the same and
    // neither ends at L.
    auto shareLevel = [&](int a, int b, int level) {
        if (levels[a].size() <= level + 1 || levels[b].size() <= level + 1)
            return false;
        for (int l = 0; l <= level; ++l)
            if (levels[a][l] != levels[b][l])
                return false;
        return true;
    };
    QList<TitleCell> cells;
    for (int level = 0; level < depth; ++level) {
        for (int column = 0; column < titles.size();) {
            const QStringList& own = levels[column];
            if (level >= own.size()) {
                ++column;
                continue;
            }
            const bool last = level == own.size() - 1;
            int end = column;
            while (!last && end + 1 < titles.size() && shareLevel(column, end + 1, level))
                ++end;
            cells << TitleCell{level, last ? depth - level : 1, column, end, own[level]};
            column = end + 1;
        }
    }
    return cells;
}

} // namespace controls::grid_layout

namespace controls {

void ColumnLayout::setColumns(const QList<GridColumn>& columns)
{
    m_columns = columns;
    m_baseWidths.clear();
    for (const GridColumn& column : m_columns)
        m_baseWidths << column.width;
}

void ColumnLayout::setColumn(int index, const GridColumn& column)
{
    if (index < 0 || index >= count())
        return;
    m_columns[index] = column;
    m_baseWidths[index] = column.width;
}

QStringList ColumnLayout::fieldNames() const
{
    QStringList names;
    for (const GridColumn& column : m_columns)
        names << column.fieldName;
    return names;
}

QStringList ColumnLayout::titles() const
{
    QStringList titles;
    for (const GridColumn& column : m_columns)
        titles << column.title;
    return titles;
}

void ColumnLayout::setAutoFit(bool on, const QVector<int>& shownWidths)
{
    if (on == m_autoFit)
        return;
    if (on) {
        for (int i = 0; i < count(); ++i)
            m_baseWidths[i] = m_columns[i].width;
    } else {
        for (int i = 0; i < count() && i < shownWidths.size(); ++i)
            m_columns[i].width = shownWidths[i];
    }
    m_autoFit = on;
}

int ColumnLayout::widthToShare(const Area& area) const
{
    return grid_layout::widthToShare(area.clientWidth, kIndicatorWidth, count(), area.indicator, area.columnLines);
}

QVector<int> ColumnLayout::widths(const Area& area) const
{
    QVector<int> widths;
    if (!m_autoFit) {
        for (const GridColumn& column : m_columns)
            widths << column.width;
        return widths;
    }
    QVector<grid_layout::WidthLimits> limits;
    for (const GridColumn& column : m_columns)
        limits << grid_layout::WidthLimits{column.minWidth, column.maxWidth};
    widths = grid_layout::fitWidths(m_baseWidths, widthToShare(area), limits);
    for (int& width : widths)
        width = std::max(0, width);
    return widths;
}

void ColumnLayout::resizeColumn(int column, int width, const Area& area)
{
    if (column < 0 || column >= count())
        return;
    if (m_autoFit)
        m_baseWidths = grid_layout::rescaleBaseWidths(m_baseWidths, column, width, widthToShare(area));
    else
        m_columns[column].width = width;
}

QList<grid_layout::TitleCell> ColumnLayout::titleCells() const
{
    return grid_layout::titleCells(titles(), m_multiTitle);
}

int ColumnLayout::titleRows() const
{
    return grid_layout::titleDepth(titles(), m_multiTitle);
}

QString ColumnLayout::lowestTitle(int column) const
{
    return grid_layout::titleLevels(m_columns.at(column).title, m_multiTitle).last();
}

QFont ColumnLayout::columnTitleFont(int column) const
{
    if (column >= 0 && column < count() && m_columns[column].titleFont)
        return *m_columns[column].titleFont;
    return m_titleFont;
}

} // namespace controls
