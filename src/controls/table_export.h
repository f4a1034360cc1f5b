#pragma once
// Getting a table view's rows out, as the view shows them (lookup texts
// included): every row as CSV under the column titles, or the selection as
// tab-separated text for the clipboard.
#include "formats/csv_writer.h"

#include <QStringList>

class QAbstractItemModel;
class QAbstractItemView;

namespace controls {

// Every row of the model as CSV, the titles first (multi-level ones reduced
// with plainTitle()).
formats::CsvWriter tableCsv(const QAbstractItemModel& model, const QStringList& titles);

// A multi-level title ("Upper|Lower") as one line: its own, lowest level.
QString plainTitle(const QString& title);

// What copying takes from the view: the selected rows whole in the view's
// order, one line each, cells separated by tabs; without selected rows, the
// current cell's text. A cell holding a tab, a line break or a quote
// is quoted as spreadsheets quote tab-separated text (quotes inside doubled),
// so that it pastes as one cell.
QString copiedText(const QAbstractItemView& view);

// One cell as it goes into copied rows.
QString copiedCell(const QString& text);

} // namespace controls
