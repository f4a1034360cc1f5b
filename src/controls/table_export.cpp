#include "controls/table_export.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <algorithm>

namespace controls {

formats::CsvWriter tableCsv(const QAbstractItemModel& model, const QStringList& titles)
{
    formats::CsvWriter csv;
    QStringList row;
    for (const QString& title : titles)
        row << plainTitle(title);
    csv.addRow(row);
    for (int r = 0; r < model.rowCount(); ++r) {
        row.clear();
        for (int c = 0; c < model.columnCount(); ++c)
            row << model.index(r, c).data(Qt::DisplayRole).toString();
        csv.addRow(row);
    }
    return csv;
}

QString plainTitle(const QString& title)
{
    return title.section(u'|', -1).trimmed();
}

QString copiedCell(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString copiedText(const QAbstractItemView& view)
{
    const QAbstractItemModel* model = view.model();
    if (!model)
        return {};
    QList<int> rows;
    if (const QItemSelectionModel* selection = view.selectionModel())
        for (const QModelIndex& index : selection->selectedRows())
            rows << index.row();
    if (rows.isEmpty())
        return copiedCell(view.currentIndex().data(Qt::DisplayRole).toString());
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const int r : rows) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << copiedCell(model->index(r, c).data(Qt::DisplayRole).toString());
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n');
}

} // namespace controls
