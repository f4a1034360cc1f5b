#include "db/row_store.h"

#include "db/field_type.h"
#include "db/key_value.h"
#include "db/text_order.h"

#include <algorithm>

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
    changed();
}

void RowStore::insert(int position, Row row)
{
    m_rows.insert(position, std::move(row));
    changed();
}

void RowStore::replace(int position, Row row)
{
    m_rows[position] = std::move(row);
    changed();
}

void RowStore::remove(int position)
{
    m_rows.removeAt(position);
    changed();
}

void RowStore::sortBy(int column)
{
    if (column < 0)
        return;
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [column](const Row& a, const Row& b) { return sortsBefore(a.at(column), b.at(column)); });
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
