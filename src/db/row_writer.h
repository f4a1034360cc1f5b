#pragma once
// Writing one row back: the statements, composed by each backend in its own
// dialect (quoting, casts, batches) with every value bound as a parameter
// (RowWriter), and which of a dataset's columns and values they take
// (TableWriteBack).
#include "db/backend.h"
#include "db/pending_record.h"

#include <functional>

namespace db {

class Connection;

// A column of the row with a value: to store, or to match the row by.
struct ColumnValue {
    ColumnInfo column;
    QVariant value;
};

// A statement with its parameters: each value with the column it goes to or
// is compared with, so that a backend can bind it in the column's own type.
struct BoundStatement {
    QString text;                    // '?' placeholders
    QVector<ColumnValue> parameters; // in placeholder order
    QVariantList values() const;
};

class RowWriter {
public:
    virtual ~RowWriter() = default;

    // Without values, a row of the table's defaults.
    virtual BoundStatement insertRow(const QString& table, const QVector<ColumnValue>& values) const;
    // `match` finds the row: each column equal to its value, or null.
    virtual BoundStatement updateRow(const QString& table, const QVector<ColumnValue>& assignments,
                                     const QVector<ColumnValue>& match) const;
    virtual BoundStatement deleteRow(const QString& table, const QVector<ColumnValue>& match) const;

    virtual QString quoteName(const QString& name) const = 0;

protected:
    // "name = ?" with the value bound, or "name IS NULL".
    virtual QString matchCondition(const ColumnValue& match, QVector<ColumnValue>& parameters) const;

private:
    QString whereClause(const QVector<ColumnValue>& match, QVector<ColumnValue>& parameters) const;
};

// A dataset's rows written back, one at a time through the connection, to the
// one table they were read from. Only the columns the table has are written;
// a row is found again by its key and the values read of the columns that
// must not have changed meanwhile (all of them where the table has no key).
class TableWriteBack {
public:
    // `columns` are the dataset's, in its order.
    TableWriteBack(Connection& connection, TableInfo table, QVector<ColumnInfo> columns);

    // The set columns of a new record; the key the server assigned goes into
    // the record.
    void insert(PendingRecord& record) const;
    // The set columns of an edited record, where those columns still hold what
    // was read: another user's change of them is not overwritten.
    void update(const Row& read, const PendingRecord& record) const;
    // Where every column still holds what was read: a row another user
    // changed meanwhile is not deleted unseen.
    void remove(const Row& read) const;

private:
    // The values read that find the row: the key columns, and the other
    // columns of the table where `matched` says so (every column where the
    // table has no key).
    QVector<ColumnValue> rowMatch(const Row& read, const std::function<bool(int)>& matched) const;
    // The dataset's column of that name; -1 if none.
    int columnIndex(const QString& name) const;

    Connection& m_connection;
    TableInfo m_table;
    QVector<ColumnInfo> m_columns;
};

} // namespace db
