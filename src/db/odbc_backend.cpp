#include "db/odbc_backend.h"

#include "db/errors.h"
#include "db/odbc_statement.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <limits>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace db {
namespace {

// An ODBC handle as Qt's driver hands it over: an SQLHANDLE (void*) in a
// QVariant, named by that type and not by "SQLHANDLE".
SQLHANDLE odbcHandle(const QVariant& handle)
{
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return nullptr;
    return *static_cast<const SQLHANDLE*>(handle.constData());
}

// The ODBC statement handle behind a prepared query.
SQLHANDLE statementHandle(const QSqlQuery& query)
{
    return query.result() ? odbcHandle(query.result()->handle()) : nullptr;
}

// An error of the backend's own ODBC calls as Qt's driver gives one: the
// server's error number as the native code, as Qt's driver has it; the
// SQLSTATE where it tells more (a broken link, class 08; the driver's own
// errors, class HY, a time-out among them) or the driver gives no number.
QSqlError ownHandleError(const OdbcError& error)
{
    const QString& state = error.sqlState();
    const bool stateTells = state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("HY"))
        || error.nativeError() == 0;
    return QSqlError(QString(), error.message(), QSqlError::StatementError,
                     stateTells ? state : QString::number(error.nativeError()));
}

// A count the server selected; -1 where it gave none, or one too large to be
// a row count here.
int countOf(const QVariant& value)
{
    const std::optional<qlonglong> count = exactInteger(value);
    return count && *count >= 0 && *count <= std::numeric_limits<int>::max() ? int(*count) : -1;
}

} // namespace

OdbcBackend::OdbcBackend(std::unique_ptr<OdbcDialect> dialect)
    : SqlBackend(QStringLiteral("qel-odbc"))
    , m_dialect(std::move(dialect))
{
}

void OdbcBackend::open(const ConnectionParameters& parameters)
{
    addDatabase(QStringLiteral("QODBC")).setDatabaseName(m_dialect->connectionString(parameters, m_statementTimeout));
    m_database.setConnectOptions(QStringLiteral("SQL_ATTR_ODBC_VERSION=SQL_OV_ODBC3;SQL_ATTR_LOGIN_TIMEOUT=%1")
                                     .arg(kLoginTimeoutSeconds));
    if (!m_database.open()) {
        const QString message = sqlErrorText(m_database.lastError());
        close();
        throw DatabaseError(message);
    }
}

DatabaseError OdbcBackend::failure(const QSqlError& error) const
{
    if (isConnectionLost(error)) {
        const QString text = error.databaseText().isEmpty() && error.driverText().isEmpty()
            ? QString::fromLatin1(kLostConnectionMessage)
            : sqlErrorText(error);
        return DatabaseError(text, DatabaseError::Kind::ConnectionLost);
    }
    if (m_dialect->isTimeout(error))
        return DatabaseError(
            QStringLiteral("The server did not finish the statement within %1: another program may be holding the "
                           "rows it needs. Nothing was changed; try again later.")
                .arg(m_statementTimeout == 1 ? QStringLiteral("1 second")
                                             : QStringLiteral("%1 seconds").arg(m_statementTimeout)));
    return DatabaseError(sqlErrorText(error), m_dialect->isForeignKeyViolation(error)
                                                  ? DatabaseError::Kind::ForeignKey
                                                  : DatabaseError::Kind::Server);
}

// Errors of the backend's own statements carry their SQLSTATE as the native
// code; Qt's driver gives only the texts, and none at all when it cannot even
// allocate a statement on a broken connection, so the driver is asked too.
bool OdbcBackend::isConnectionLost(const QSqlError& error) const
{
    if (error.nativeErrorCode().startsWith(QLatin1String("08")))
        return true;
    // Communication-link failures (08S01) as the drivers word them: ODBC's
    // own text, the Windows "SQL Server" driver's, FreeTDS'.
    static const char* const linkFailures[] = {"Communication link failure", "General network error",
                                               "Write to the server failed", "Read from the server failed",
                                               "Unexpected EOF from the server"};
    const QString text = error.databaseText() + u' ' + error.driverText();
    for (const char* words : linkFailures)
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    const SQLHANDLE connection = m_database.isOpen() ? odbcHandle(m_database.driver()->handle()) : nullptr;
    return !connection || isConnectionDead(connection);
}

// Forward-only, every row read before the next statement: otherwise the
// driver reports the connection as busy.
QSqlQuery OdbcBackend::runOnQtHandle(const QString& statement, const QVariantList& values)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        fail(query.lastError());
    if (const SQLHANDLE handle = statementHandle(query))
        setQueryTimeout(handle, m_statementTimeout);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        fail(query.lastError());
    return query;
}

// Qt's driver moves from row to row; the values are read here, as Qt's
// driver types them (readOdbcValue: texts whole, whatever size the driver
// gives the column).
ResultSet OdbcBackend::fetch(QSqlQuery& query)
{
    ResultSet result;
    if (!query.isSelect())
        return result;
    const QSqlRecord record = query.record();
    result.columns = resultColumns(record);
    const SQLHANDLE handle = statementHandle(query);
    while (query.next()) {
        QVector<QVariant> row(record.count());
        try {
            for (int i = 0; i < record.count(); ++i)
                row[i] = handle ? readOdbcValue(handle, i + 1, record.field(i).metaType()) : query.value(i);
        } catch (const OdbcError& error) {
            fail(ownHandleError(error));
        }
        result.rows.append(std::move(row));
    }
    if (query.lastError().isValid())
        fail(query.lastError());
    return result;
}

ResultSet OdbcBackend::query(const QString& statement)
{
    if (m_dialect->mustRunDirectly(statement)) {
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        if (!query.exec(statement))
            fail(query.lastError());
        return fetch(query);
    }
    QSqlQuery query = runOnQtHandle(statement, {});
    return fetch(query);
}

ResultSet OdbcBackend::read(const BoundStatement& statement)
{
    QSqlQuery query = runOnQtHandle(statement.text, statement.values());
    return fetch(query);
}

TableInfo OdbcBackend::tableInfo(const QString& table)
{
    QSqlQuery query = runOnQtHandle(m_dialect->tableColumnsStatement(), {table});
    TableInfo info;
    info.name = table;
    for (const QVector<QVariant>& column : fetch(query).rows) {
        const QString name = column.value(0).toString();
        const DeclaredType declared = parseDeclaredType(column.value(1).toString());
        const int size = column.value(2).toInt() > 0 ? column.value(2).toInt() : declared.size;
        const bool identity = column.value(3).toInt() == 1;
        info.columns.append({name, identity ? FieldType::AutoIncrement : declared.type, size});
        if (column.value(4).toInt() == 1)
            info.keyColumns << name;
        if (identity)
            info.identityColumn = name;
    }
    if (info.columns.isEmpty())
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(table));
    return info;
}

QVector<ForeignKeyInfo> OdbcBackend::foreignKeys(const QString& table)
{
    QSqlQuery query = runOnQtHandle(m_dialect->foreignKeysStatement(), {table});
    return foreignKeysOf(fetch(query).rows);
}

ServerAnswer<QHash<QString, QString>> OdbcBackend::collations(const QString& table)
{
    if (!m_dialect->isSqlServer())
        return NotApplicable{QStringLiteral("this database has no collations")};
    QHash<QString, QString> result;
    QSqlQuery query = runOnQtHandle(m_dialect->tableColumnsStatement(), {table});
    for (const QVector<QVariant>& column : fetch(query).rows)
        if (!column.value(5).isNull())
            result.insert(column.value(0).toString().toLower(), column.value(5).toString());
    return result;
}

ServerAnswer<bool> OdbcBackend::hasPermission(const QString& object, const QString& permission,
                                              const QString& column)
{
    const QString statement = m_dialect->permissionStatement(!column.isEmpty());
    if (statement.isEmpty())
        return noPerTablePermissions();
    QVariantList values{object, permission};
    if (!column.isEmpty())
        values << column;
    QSqlQuery query = runOnQtHandle(statement, values);
    const QVector<QVector<QVariant>> rows = fetch(query).rows;
    return !rows.isEmpty() && rows.first().value(0).toInt() == 1;
}

void* OdbcBackend::connectionHandle() const
{
    const SQLHANDLE connection = m_database.isOpen() ? odbcHandle(m_database.driver()->handle()) : nullptr;
    if (!connection)
        throw DatabaseError(QStringLiteral("The connection to the database is not open."),
                            DatabaseError::Kind::ConnectionLost);
    return connection;
}

OdbcOutcome OdbcBackend::runOnOwnHandle(const BoundStatement& statement)
{
    try {
        return runOdbcStatement(connectionHandle(), statement, *m_dialect, m_statementTimeout);
    } catch (const OdbcError& error) {
        fail(ownHandleError(error));
    }
}

void OdbcBackend::endOpenTransaction(const QString& rollbackError)
{
    if (rollbackError.isEmpty())
        return;
    // Sent as it is, not prepared: drivers run a prepared statement as a
    // procedure call, which must end with the transaction count it began with
    // (SQL Server's error 266). Its failure counts for nothing: the rollback
    // below tells whether the session is in a known state.
    QSqlQuery(m_database).exec(m_dialect->resyncTransactionStatement());
    if (!m_database.rollback())
        throw DatabaseError(rollbackError + u' ' + sqlErrorText(m_database.lastError()));
}

std::pair<OdbcOutcome, QVariantList> OdbcBackend::runWithResultRow(const BoundStatement& batch,
                                                                   const QString& follow)
{
    OdbcOutcome outcome = runOnOwnHandle(batch);
    QVariantList row = follow.isEmpty() ? outcome.firstRow : runOnOwnHandle({follow, {}}).firstRow;
    return {std::move(outcome), std::move(row)};
}

int OdbcBackend::write(const BoundStatement& statement)
{
    const QVariantList countRow =
        runWithResultRow({m_dialect->writeBatch(statement.text), statement.parameters}, m_dialect->rowCountStatement())
            .second;
    return countOf(countRow.value(0));
}

InsertResult OdbcBackend::insert(const BoundStatement& statement)
{
    // The batch's results in order: the INSERT's row count, then, in the
    // batch or the statement after it, the key and the server's own count of
    // the rows the INSERT added.
    const auto [batch, keyRow] = runWithResultRow(
        {m_dialect->insertBatch(statement.text), statement.parameters}, m_dialect->identityStatement());
    InsertResult result{batch.rows, keyRow.value(0)};
    if (keyRow.size() > 1)
        result.rows = countOf(keyRow[1]);
    return result;
}

} // namespace db
