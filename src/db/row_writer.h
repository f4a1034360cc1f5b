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

struct BoundStatement {
    QString text;       // '?' placeholders
    QVariantList values; // in placeholder order
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
    virtual QString matchCondition(const ColumnValue& match, QVariantList& values) const;

private:
    QString whereClause(const QVector<ColumnValue>& match, QVariantList& values) const;
};

} // namespace db
