#include "db/embedded_server.h"

#include "db/errors.h"
#include "db/text_order.h"
#include "db/tsql_translation.h"
#include "platform/files.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

namespace db {
namespace {

QHash<QString, EmbeddedProcedure>& procedures()
{
    static QHash<QString, EmbeddedProcedure> registry;
    return registry;
}

// SQLite's result codes that the server's messages are chosen by.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNotADatabase = 26;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteConstraintForeignKey = 787;

// The collation callback: texts in the server's order.
int compareServerTexts(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compareText(QStringView(static_cast<const char16_t*>(a), lengthA / 2),
                       QStringView(static_cast<const char16_t*>(b), lengthB / 2));
}

QString resolveFilePath(const QString& dataSource)
{
    const QString path = dataSource.mid(int(sizeof "file:") - 1);
    if (QDir::isAbsolutePath(path))
        return path;
    return QDir(QString::fromStdString(platform::programFolder())).filePath(path);
}

} // namespace

void registerEmbeddedProcedure(const QString& name, EmbeddedProcedure procedure)
{
    procedures().insert(name.toLower(), std::move(procedure));
}

EmbeddedServer::EmbeddedServer()
    : SqlBackend(QStringLiteral("qel-embedded"))
{
}

QString embeddedErrorText(const QSqlError& error, const QString& path)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    if (numeric && code == kSqliteNotADatabase)
        return QStringLiteral("The file '%1' is not a database of the embedded server.").arg(QDir::toNativeSeparators(path));
    if (numeric && (code == kSqliteBusy || code == kSqliteLocked))
        return QStringLiteral("The database '%1' is locked by another program. Try again when it has finished.")
            .arg(QDir::toNativeSeparators(path));
    static const QRegularExpression noTable(QStringLiteral(R"(no such table: (?:\w+\.)?(\S+))"));
    if (const auto missing = noTable.match(error.databaseText()); missing.hasMatch())
        return QStringLiteral("Invalid object name '%1'.").arg(missing.captured(1));
    return sqlErrorText(error);
}

void EmbeddedServer::open(const ConnectionParameters& parameters)
{
    close();
    const QString path = resolveFilePath(parameters.value(QStringLiteral("data source")));
    if (!QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral(
            "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied."));
    addDatabase(QStringLiteral("QSQLITE")).setDatabaseName(path);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    m_path = path;
    m_catalog = parameters.value(QStringLiteral("initial catalog"));
    if (!m_database.open()) {
        const QString message = embeddedErrorText(m_database.lastError(), path);
        close();
        throw DatabaseError(message);
    }
    try {
        registerCollation();
        enforceForeignKeys();
        checkLogin(parameters.value(QStringLiteral("user id")), parameters.value(QStringLiteral("password")));
    } catch (...) {
        close();
        throw;
    }
    m_dateFormat = QStringLiteral("mdy");
}

void EmbeddedServer::close()
{
    m_keyedSelects.clear(); // before the database they are prepared on
    SqlBackend::close();
}

sqlite3* EmbeddedServer::sqliteHandle() const
{
    const QVariant handle = m_database.isOpen() ? m_database.driver()->handle() : QVariant();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
        ? *static_cast<sqlite3* const*>(handle.constData())
        : nullptr;
}

void EmbeddedServer::registerCollation()
{
    sqlite3* connection = sqliteHandle();
    if (!connection
        || sqlite3_create_collation_v2(connection, tsql::kServerCollation, SQLITE_UTF16, nullptr, compareServerTexts,
                                       nullptr) != SQLITE_OK)
        throw DatabaseError(QStringLiteral("The embedded server could not set up its text order."));
}

void EmbeddedServer::endOpenTransaction(const QString& rollbackError)
{
    sqlite3* connection = sqliteHandle();
    if (connection && !sqlite3_get_autocommit(connection))
        sqlite3_exec(connection, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!connection || !sqlite3_get_autocommit(connection))
        throw DatabaseError(rollbackError.isEmpty() ? QStringLiteral("the transaction could not be rolled back")
                                                    : rollbackError);
}

// SQLite leaves foreign keys unchecked unless each connection asks for them.
void EmbeddedServer::enforceForeignKeys()
{
    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        throw DatabaseError(embeddedErrorText(query.lastError(), m_path));
}

DatabaseError::Kind EmbeddedServer::kindOf(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    if (numeric && (code == kSqliteConstraint || code == kSqliteConstraintForeignKey)
        && isSqliteForeignKeyFailure(error.databaseText()))
        return DatabaseError::Kind::ForeignKey;
    return DatabaseError::Kind::Server;
}

void EmbeddedServer::checkLogin(const QString& login, const QString& password)
{
    QSqlQuery query(m_database);
    // Logins match as on the server, without regard to case; passwords exactly.
    if (!query.prepare(QStringLiteral("SELECT password, role FROM server_logins WHERE login = ? COLLATE %1")
                           .arg(QLatin1String(tsql::kServerCollation))))
        throw failure(query.lastError());
    query.addBindValue(login);
    if (!query.exec())
        throw failure(query.lastError());
    if (!query.next() || query.value(0).toString() != password)
        throw DatabaseError(QStringLiteral("Login failed for user '%1'.").arg(login));
    m_role = query.value(1).toString();
}

void EmbeddedServer::requireUserRole() const
{
    if (m_role != u"user")
        throw DatabaseError(QStringLiteral(
            "The login may only execute stored procedures on this server."));
}

DatabaseError EmbeddedServer::failure(const QSqlError& error) const
{
    return DatabaseError(embeddedErrorText(error, m_path), kindOf(error));
}

ResultSet EmbeddedServer::query(const QString& statement)
{
    checkOpen();
    if (const auto format = tsql::parseDateFormat(statement)) {
        if (*format != u"dmy" && *format != u"mdy" && *format != u"ymd")
            throw DatabaseError(QStringLiteral("'%1' is not a valid date format.").arg(*format));
        m_dateFormat = *format;
        return {};
    }
    if (statement.trimmed().compare(QLatin1String("DBCC USEROPTIONS"), Qt::CaseInsensitive) == 0) {
        ResultSet options;
        options.columns = {{QStringLiteral("Set Option"), FieldType::String, 128},
                           {QStringLiteral("Value"), FieldType::String, 128}};
        options.rows.append({QStringLiteral("dateformat"), m_dateFormat});
        return options;
    }
    if (const auto call = tsql::parseProcedureCall(statement, m_catalog)) {
        const auto procedure = procedures().constFind(call->name.toLower());
        if (procedure == procedures().constEnd())
            throw DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(call->name));
        return (*procedure)(m_database, call->arguments);
    }
    requireUserRole();
    if (const auto keyed = tsql::keyedSelect(statement))
        if (QSqlQuery* prepared = keyedSelect(keyed->withParameter))
            return runKeyedSelect(*prepared, keyed->key);
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.exec(tsql::toSqlite(statement, m_catalog)))
        throw failure(query.lastError());
    return fetch(query);
}

QSqlQuery* EmbeddedServer::keyedSelect(const QString& withParameter)
{
    if (const auto found = m_keyedSelects.find(withParameter); found != m_keyedSelects.end())
        return found->second.get();
    constexpr std::size_t kKept = 64; // a window's statements, several times over
    if (m_keyedSelects.size() >= kKept)
        m_keyedSelects.clear();
    auto prepared = std::make_unique<QSqlQuery>(m_database);
    prepared->setForwardOnly(true);
    if (!prepared->prepare(tsql::toSqlite(withParameter, m_catalog)))
        return nullptr;
    return m_keyedSelects.emplace(withParameter, std::move(prepared)).first->second.get();
}

ResultSet EmbeddedServer::runKeyedSelect(QSqlQuery& prepared, qlonglong key)
{
    // Reset after the rows are read, or after a failure: a statement left
    // running would hold the database's read lock.
    const auto finish = qScopeGuard([&] { prepared.finish(); });
    prepared.bindValue(0, key);
    if (!prepared.exec())
        throw failure(prepared.lastError());
    return fetch(prepared);
}

ResultSet EmbeddedServer::read(const BoundStatement& statement)
{
    checkOpen();
    requireUserRole();
    QSqlQuery query = execBound(statement.text, toStorage(statement.values()));
    return fetch(query);
}

ResultSet EmbeddedServer::fetch(QSqlQuery& query) const
{
    ResultSet result;
    result.columns = resultColumns(query.record());
    result.rows = fetchRows(query, int(result.columns.size()));
    if (query.lastError().isValid())
        throw failure(query.lastError());
    return result;
}

TableInfo EmbeddedServer::tableInfo(const QString& table)
{
    checkOpen();
    requireUserRole();
    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(m_writer.quoteName(table))))
        throw failure(query.lastError());
    TableInfo info;
    info.name = table;
    while (query.next()) {
        const QString name = query.value(1).toString();
        const QString declaration = query.value(2).toString();
        const DeclaredType declared = parseDeclaredType(declaration);
        const bool isKey = query.value(5).toInt() > 0;
        ColumnInfo column{name, declared.type, declared.size};
        if (isKey) {
            info.keyColumns << name;
            // The row id, which SQLite assigns, is a key declared INTEGER,
            // exactly: an INT PRIMARY KEY is an ordinary column.
            if (declaration.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                info.identityColumn = name;
        }
        info.columns.append(column);
    }
    if (query.lastError().isValid())
        throw failure(query.lastError());
    if (info.columns.isEmpty())
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(table));
    if (info.keyColumns.size() != 1)
        info.identityColumn.clear();
    else if (!info.identityColumn.isEmpty())
        info.columns[int(std::find_if(info.columns.cbegin(), info.columns.cend(),
                                      [&](const ColumnInfo& c) { return c.name == info.identityColumn; })
                         - info.columns.cbegin())].type = FieldType::AutoIncrement;
    return info;
}

QVector<ForeignKeyInfo> EmbeddedServer::foreignKeys(const QString& table)
{
    checkOpen();
    requireUserRole();
    QSqlQuery query = execBound(sqliteForeignKeysStatement(), {table});
    return foreignKeysOf(fetchRows(query, 4));
}

ServerAnswer<bool> EmbeddedServer::hasPermission(const QString&, const QString&, const QString&)
{
    return noPerTablePermissions();
}

ServerAnswer<QHash<QString, QString>> EmbeddedServer::collations(const QString&)
{
    return NotApplicable{QStringLiteral("the embedded server compares every text one way, Cyrillic and case-insensitive")};
}

QString EmbeddedServer::uniformCollation() const
{
    return QLatin1String(tsql::kServerCollation);
}

// Dates go into the file as ISO text, as the demo data holds them.
QVariantList EmbeddedServer::toStorage(const QVariantList& values) const
{
    QVariantList stored;
    for (const QVariant& value : values) {
        switch (value.metaType().id()) {
        case QMetaType::QDate: stored << value.toDate().toString(Qt::ISODate); break;
        case QMetaType::QDateTime: stored << value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); break;
        default: stored << value;
        }
    }
    return stored;
}

int EmbeddedServer::write(const BoundStatement& statement)
{
    checkOpen();
    requireUserRole();
    return execBound(statement.text, toStorage(statement.values())).numRowsAffected();
}

InsertResult EmbeddedServer::insert(const BoundStatement& statement)
{
    checkOpen();
    requireUserRole();
    const QSqlQuery query = execBound(statement.text, toStorage(statement.values()));
    return {query.numRowsAffected(), query.lastInsertId()};
}

bool isSqliteForeignKeyFailure(const QString& errorText)
{
    return errorText.contains(QLatin1String("FOREIGN KEY constraint failed"), Qt::CaseInsensitive);
}

QString sqliteForeignKeysStatement()
{
    return QStringLiteral(
        "SELECT f.id, f.\"table\", f.\"from\",\n"
        "       coalesce(f.\"to\", (SELECT p.name FROM pragma_table_info(f.\"table\") AS p WHERE p.pk = f.seq + 1))\n"
        "FROM pragma_foreign_key_list(?) AS f\n"
        "ORDER BY f.id, f.seq");
}

QString SqliteRowWriter::quoteName(const QString& name) const
{
    return u'"' + QString(name).replace(u'"', QLatin1String("\"\"")) + u'"';
}

} // namespace db
