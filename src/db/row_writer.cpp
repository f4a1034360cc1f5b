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

BoundStatement RowWriter::selectRow(const QString& table, const QVector<ColumnInfo>& columns,
                                    const QVector<ColumnValue>& match) const
{
    BoundStatement statement;
    QStringList names;
    for (const ColumnInfo& column : columns)
        names << quoteName(column.name);
    const QString where = whereClause(match, statement.parameters);
    statement.text = QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(names.join(u','), quoteName(table), where);
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

namespace {

bool isUnknown(const QBitArray& unknown, int column)
{
    return column < unknown.size() && unknown.testBit(column);
}

} // namespace

QVector<ColumnValue> TableWriteBack::rowMatch(const Row& read, const QBitArray& unknown,
                                             const std::function<bool(int)>& matched) const
{
    QVector<ColumnValue> match;
    QVector<bool> used(m_columns.size(), false);
    for (const QString& key : m_table.keyColumns)
        if (const int column = columnIndex(key); column >= 0) {
            used[column] = true;
            if (!isUnknown(unknown, column))
                match.append({*m_table.column(key), read.value(column)});
        }
    const bool keyless = match.isEmpty();
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (used[column] || !declared || isUnknown(unknown, column))
            continue;
        if (keyless || matched(column))
            match.append({*declared, read.value(column)});
    }
    return match;
}

QBitArray TableWriteBack::insert(PendingRecord& record) const
{
    QVector<ColumnValue> values;
    QBitArray unwritten(int(m_columns.size()));
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (!declared)
            continue;
        if (!record.isChanged(column) || declared->name.compare(m_table.identityColumn, Qt::CaseInsensitive) == 0)
            unwritten.setBit(column);
        else
            values.append({*declared, record.value(column)});
    }
    const QVariant identity = m_connection.insertRow(m_table.name, values);
    if (!m_table.identityColumn.isEmpty())
        if (const int column = columnIndex(m_table.identityColumn); column >= 0 && !identity.isNull()) {
            record.assign(column, typedValue(identity, FieldType::AutoIncrement));
            unwritten.clearBit(column);
        }
    try {
        if (readBack(record, identity))
            return {};
    } catch (const DatabaseError&) {
        // The row is stored; what the server filled in is read with the rows
        // next time.
    }
    return unwritten;
}

bool TableWriteBack::readBack(PendingRecord& record, const QVariant& identity) const
{
    if (m_table.keyColumns.isEmpty())
        return false;
    QVector<ColumnValue> key;
    for (const QString& name : m_table.keyColumns) {
        const int column = columnIndex(name);
        if (column < 0)
            return false;
        const bool assigned = name.compare(m_table.identityColumn, Qt::CaseInsensitive) == 0;
        const QVariant value = assigned ? identity : record.value(column);
        if (value.isNull())
            return false;
        key.append({*m_table.column(name), value});
    }
    // The key stays as matched: a driver may describe a key column narrower
    // than the values it holds (SQLite's through ODBC: INTEGER as 32 bits).
    QVector<ColumnInfo> columns;
    QVector<int> positions;
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (declared && !m_table.keyColumns.contains(declared->name, Qt::CaseInsensitive)) {
            columns.append(*declared);
            positions.append(column);
        }
    }
    if (columns.isEmpty())
        return true;
    const ResultSet row = m_connection.read(m_connection.backend().rowWriter().selectRow(m_table.name, columns, key));
    if (row.rows.size() != 1)
        return false;
    for (int i = 0; i < positions.size(); ++i)
        record.assign(positions[i], row.rows[0].value(i));
    return true;
}

QBitArray TableWriteBack::update(const Row& read, const QBitArray& unknown, const PendingRecord& record) const
{
    QVector<ColumnValue> assignments;
    QBitArray stillUnknown = unknown;
    for (int column = 0; column < m_columns.size(); ++column) {
        const ColumnInfo* declared = m_table.column(m_columns[column].name);
        if (record.isChanged(column) && declared) {
            assignments.append({*declared, record.value(column)});
            if (isUnknown(stillUnknown, column))
                stillUnknown.clearBit(column);
        }
    }
    if (assignments.isEmpty())
        return unknown;
    const auto match = rowMatch(read, unknown, [&record](int column) { return record.isChanged(column); });
    m_connection.updateRow(m_table.name, assignments, match);
    return stillUnknown;
}

void TableWriteBack::remove(const Row& read, const QBitArray& unknown) const
{
    m_connection.deleteRow(m_table.name, rowMatch(read, unknown, [](int) { return true; }));
}

} // namespace db
