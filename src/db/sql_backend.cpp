#include "db/sql_backend.h"

#include "db/errors.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace db {

SqlBackend::SqlBackend(const QString& prefix)
{
    static QAtomicInteger<int> counter;
    m_connectionName = QStringLiteral("%1-%2").arg(prefix).arg(counter.fetchAndAddRelaxed(1));
}

SqlBackend::~SqlBackend()
{
    SqlBackend::close();
}

QSqlDatabase& SqlBackend::addDatabase(const QString& driver)
{
    close();
    m_database = QSqlDatabase::addDatabase(driver, m_connectionName);
    if (!m_database.isValid()) {
        close();
        throw DatabaseError(QStringLiteral("The Qt SQL driver %1 is not available.").arg(driver));
    }
    return m_database;
}

void SqlBackend::close()
{
    if (!m_database.isValid())
        return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void SqlBackend::beginTransaction()
{
    checkOpen();
    if (!m_database.transaction())
        throw failure(m_database.lastError());
}

void SqlBackend::commitTransaction()
{
    checkOpen();
    if (!m_database.commit())
        throw failure(m_database.lastError());
}

void SqlBackend::rollbackTransaction()
{
    checkOpen();
    if (!m_database.rollback())
        throw failure(m_database.lastError());
}

DatabaseError SqlBackend::failure(const QSqlError& error) const
{
    return DatabaseError(sqlErrorText(error));
}

void SqlBackend::checkOpen() const
{
    if (!m_database.isOpen())
        throw DatabaseError(QString::fromLatin1(kLostConnectionMessage), DatabaseError::Kind::ConnectionLost);
}

QSqlQuery SqlBackend::execBound(const QString& statement, const QVariantList& values)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw failure(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw failure(query.lastError());
    return query;
}

QVector<ColumnInfo> SqlBackend::resultColumns(const QSqlRecord& record)
{
    QVector<ColumnInfo> columns;
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        const FieldType type = field.isAutoValue() ? FieldType::AutoIncrement : fieldTypeOf(field.metaType());
        columns.append({field.name(), type, field.length() > 0 ? int(field.length()) : 0});
    }
    return columns;
}

QVector<QVector<QVariant>> SqlBackend::fetchRows(QSqlQuery& query, int columnCount)
{
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row(columnCount);
        for (int i = 0; i < columnCount; ++i)
            row[i] = query.value(i);
        rows.append(std::move(row));
    }
    return rows;
}

QVector<ForeignKeyInfo> SqlBackend::foreignKeysOf(const QVector<QVector<QVariant>>& rows)
{
    QVector<ForeignKeyInfo> keys;
    QVariant keyId;
    for (const QVector<QVariant>& row : rows) {
        if (keys.isEmpty() || row.value(0) != keyId) {
            keyId = row.value(0);
            keys.append({{}, row.value(1).toString(), {}});
        }
        keys.last().columns << row.value(2).toString();
        keys.last().referencedColumns << row.value(3).toString();
    }
    return keys;
}

QString sqlErrorText(const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.driverText();
    if (text.isEmpty())
        text = QStringLiteral("The database server reported an error without a description (code %1).")
                   .arg(error.nativeErrorCode().isEmpty() ? QStringLiteral("unknown") : error.nativeErrorCode());
    return text;
}

} // namespace db
