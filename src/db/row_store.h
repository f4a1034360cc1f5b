#pragma once
// The rows a dataset fetched, with what it looks them up and sorts by: an
// index of each searched column by key, kept until the rows change.
#include <QHash>
#include <QVariant>
#include <QVector>

namespace db {

using Row = QVector<QVariant>;

class RowStore {
public:
    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const Row& row(int index) const { return m_rows.at(index); }
    // Null outside the rows.
    QVariant value(int row, int column) const;

    void reset(QVector<Row> rows);
    void clear() { reset({}); }
    void insert(int position, Row row);
    void replace(int position, Row row);
    void remove(int position);

    // Ascending by a column, stable: nulls first, numbers by value, texts in
    // the server's text order.
    void sortBy(int column);

    // The first row whose column holds the same key (sameKey: integer keys by
    // value, so 7, 7.0 and "7" meet; texts exactly); -1 if none or for a null key.
    int locate(int column, const QVariant& key) const;
    // The first row equal to this one; -1 if none.
    int indexOf(const Row& row) const { return int(m_rows.indexOf(row)); }
    // The first row whose columns hold the same keys as the values; -1 if none.
    int find(const QVector<int>& columns, const QVariantList& values) const;

private:
    void changed() { ++m_version; }

    QVector<Row> m_rows;
    quint64 m_version = 0;
    struct KeyIndex {
        quint64 version = ~quint64(0);
        QHash<qlonglong, int> numbers;
        QHash<QString, int> texts;
    };
    mutable QHash<int, KeyIndex> m_indexes;
};

} // namespace db
