#include "db/row_writer.h"

#include "db/errors.h"

#include <QStringList>

namespace db {

BoundStatement RowWriter::insertRow(const QString& table, const QVector<ColumnValue>& values) const
{
    BoundStatement statement;
    if (values.isEmpty()) {
        statement.text = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteName(table));
        return statement;
    }
    QStringList names;
    QStringList marks;
    for (const ColumnValue& value : values) {
        names << quoteName(value.column.name);
        marks << QStringLiteral("?");
        statement.values << value.value;
    }
    statement.text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(quoteName(table), names.join(u','), marks.join(u','));
    return statement;
}

BoundStatement RowWriter::updateRow(const QString& table, const QVector<ColumnValue>& assignments,
                                    const QVector<ColumnValue>& match) const
{
    BoundStatement statement;
    QStringList sets;
    for (const ColumnValue& value : assignments) {
        sets << quoteName(value.column.name) + QStringLiteral(" = ?");
        statement.values << value.value;
    }
    const QString where = whereClause(match, statement.values);
    statement.text = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                         .arg(quoteName(table), sets.join(QStringLiteral(", ")), where);
    return statement;
}

BoundStatement RowWriter::deleteRow(const QString& table, const QVector<ColumnValue>& match) const
{
    BoundStatement statement;
    const QString where = whereClause(match, statement.values);
    statement.text = QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoteName(table), where);
    return statement;
}

QString RowWriter::matchCondition(const ColumnValue& match, QVariantList& values) const
{
    const QString name = quoteName(match.column.name);
    if (match.value.isNull())
        return name + QStringLiteral(" IS NULL");
    values << match.value;
    return name + QStringLiteral(" = ?");
}

QString RowWriter::whereClause(const QVector<ColumnValue>& match, QVariantList& values) const
{
    // Without a condition every row of the table would be written.
    if (match.isEmpty())
        throw DatabaseError(QStringLiteral("Insufficient key column information for updating or refreshing"),
                            DatabaseError::Kind::Usage);
    QStringList conditions;
    for (const ColumnValue& value : match)
        conditions << matchCondition(value, values);
    return conditions.join(QStringLiteral(" AND "));
}

} // namespace db
