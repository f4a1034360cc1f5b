#include "db/row_store.h"

#include "db/field_type.h"
#include "db/key_value.h"
#include "db/text_order.h"

#include <algorithm>
#include <numeric>

namespace db {
namespace {

bool sortsBefore(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    if (a.metaType().id() == QMetaType::QString || b.metaType().id() == QMetaType::QString)
        return compareText(a.toString(), b.toString()) < 0;
    return QVariant::compare(a, b) == QPartialOrdering::Less;
}

} // namespace

QVariant RowStore::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0)
        return {};
    return m_rows[row].value(column);
}

void RowStore::reset(QVector<Row> rows)
{
    m_rows = std::move(rows);
    m_unknown.clear();
    changed();
}

void RowStore::insert(int position, Row row)
{
    m_rows.insert(position, std::move(row));
    if (!m_unknown.isEmpty())
        m_unknown.insert(position, QBitArray());
    changed();
}

void RowStore::setUnknownColumns(int row, const QBitArray& columns)
{
    if (m_unknown.isEmpty() && columns.count(true) == 0)
        return;
    m_unknown.resize(m_rows.size());
    m_unknown[row] = columns;
}

void RowStore::replace(int position, Row row)
{
    m_rows[position] = std::move(row);
    changed();
}

void RowStore::remove(int position)
{
    m_rows.removeAt(position);
    if (!m_unknown.isEmpty())
        m_unknown.removeAt(position);
    changed();
}

void RowStore::sortBy(int column)
{
    if (column < 0)
        return;
    // Sorted as positions, so that the unknown-column marks go with their rows.
    QVector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sortsBefore(m_rows[a].at(column), m_rows[b].at(column)); });
    QVector<Row> rows;
    rows.reserve(order.size());
    for (const int row : std::as_const(order))
        rows.append(std::move(m_rows[row]));
    m_rows = std::move(rows);
    if (!m_unknown.isEmpty()) {
        QVector<QBitArray> unknown;
        unknown.reserve(order.size());
        for (const int row : std::as_const(order))
            unknown.append(m_unknown[row]);
        m_unknown = std::move(unknown);
    }
    changed();
}

int RowStore::locate(int column, const QVariant& key) const
{
    if (column < 0 || key.isNull() || (!m_rows.isEmpty() && column >= m_rows.first().size()))
        return -1;
    KeyIndex& index = m_indexes[column];
    if (index.version != m_version) {
        index = KeyIndex();
        index.version = m_version;
        for (int row = int(m_rows.size()) - 1; row >= 0; --row) { // the first row wins
            const QVariant& value = m_rows[row].at(column);
            if (value.isNull())
                continue;
            if (const auto number = exactInteger(value))
                index.numbers.insert(*number, row);
            else
                index.texts.insert(value.toString(), row);
        }
    }
    if (const auto number = exactInteger(key))
        return index.numbers.value(*number, -1);
    return index.texts.value(key.toString(), -1);
}

int RowStore::find(const QVector<int>& columns, const QVariantList& values) const
{
    if (columns.isEmpty())
        return -1;
    for (int row = 0; row < m_rows.size(); ++row) {
        bool same = true;
        for (int k = 0; k < columns.size() && same; ++k)
            same = sameKey(m_rows[row].at(columns[k]), values[k]);
        if (same)
            return row;
    }
    return -1;
}

} // namespace db
