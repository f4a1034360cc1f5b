#pragma once
// The statements that write one row back, composed by each backend in its own
// dialect (quoting, casts, batches) with every value bound as a parameter.
#include "db/backend.h"

namespace db {

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

} // namespace db
