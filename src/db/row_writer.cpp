#include "db/row_writer.h"

#include "db/connection.h"
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
        statement.parameters << value;
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
        statement.parameters << value;
    }
    const QString where = whereClause(match, statement.parameters);
    statement.text = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                         .arg(quoteName(table), sets.join(QStringLiteral(", ")), where);
    return statement;
}

BoundStatement RowWriter::deleteRow(const QString& table, const QVector<ColumnValue>& match) const
{
    BoundStatement statement;
    const QString where = whereClause(match, statement.parameters);
    statement.text = QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoteName(table), where);
    return statement;
}

QVariantList BoundStatement::values() const
{
    QVariantList result;
    result.reserve(parameters.size());
    for (const ColumnValue& parameter : parameters)
        result << parameter.value;
    return result;
}

QString RowWriter::matchCondition(const ColumnValue& match, QVector<ColumnValue>& parameters) const
{
    const QString name = quoteName(match.column.name);
    if (match.value.isNull())
        return name + QStringLiteral(" IS NULL");
    parameters << match;
    return name + QStringLiteral(" = ?");
}

QString RowWriter::whereClause(const QVector<ColumnValue>& match, QVector<ColumnValue>& parameters) const
{
    // Without a condition every row of the table would be written.
    if (match.isEmpty())
        throw DatabaseError(QStringLiteral("Insufficient key column information for updating or refreshing"),
                            DatabaseError::Kind::Usage);
    QStringList conditions;
    for (const ColumnValue& value : match)
        conditions << matchCondition(value, parameters);
    return conditions.join(QStringLiteral(" AND "));
}

TableWriteBack::TableWriteBack(Connection& connection, TableInfo table, QVector<ColumnInfo> columns)
    : m_connection(connection)
    , m_table(std::move(table))
    , m_columns(std::move(columns))
{
}

int TableWriteBack::columnIndex(const QString& name) const
{
    for (int column = 0; column < m_columns.size(); ++column)
        if (m_columns[column].name.compare(name, Qt::CaseInsensitive) == 0)
            return column;
    return -1;
}

QVector<ColumnValue> TableWriteBack::rowMatch(const Row& read, const std::function<bool(int)>& matched) const
{
    QVector<ColumnValue> match;
    QVector<bool> used(m_columns.size(), false);
    for (const QString& key : m_table.keyColumns)
        if (const int column = columnIndex(key); column >= 0) {
            match.append({*m_table.column(key), read.value(column)});
            used[column] = true;
        }
    const bool keyless = match.isEmpty();
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (used[column] || !declared)
            continue;
        if (keyless || matched(column))
            match.append({*declared, read.value(column)});
    }
    return match;
}

void TableWriteBack::insert(PendingRecord& record) const
{
    QVector<ColumnValue> values;
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (!record.isChanged(column) || !declared
            || declared->name.compare(m_table.identityColumn, Qt::CaseInsensitive) == 0)
            continue;
        values.append({*declared, record.value(column)});
    }
    const QVariant identity = m_connection.insertRow(m_table.name, values);
    if (!m_table.identityColumn.isEmpty())
        if (const int column = columnIndex(m_table.identityColumn); column >= 0 && !identity.isNull())
            record.assign(column, identity.toInt());
}

void TableWriteBack::update(const Row& read, const PendingRecord& record) const
{
    QVector<ColumnValue> assignments;
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (record.isChanged(column) && declared)
            assignments.append({*declared, record.value(column)});
    }
    if (assignments.isEmpty())
        return;
    const auto match = rowMatch(read, [&record](int column) { return record.isChanged(column); });
    m_connection.updateRow(m_table.name, assignments, match);
}

void TableWriteBack::remove(const Row& read) const
{
    m_connection.deleteRow(m_table.name, rowMatch(read, [](int) { return true; }));
}

} // namespace db
