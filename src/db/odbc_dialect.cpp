#include "db/odbc_dialect.h"

#include "db/embedded_server.h"
#include "db/errors.h"

#include <QRegularExpression>

namespace db {
namespace {

// ODBC values in braces may hold ';' and '='; a '}' is doubled, as the ODBC
// syntax and the Windows drivers read it (FreeTDS before 1.4 takes "}}" as it
// stands, so a '}' in a value does not reach the server intact there).
QString braced(const QString& value)
{
    return u'{' + QString(value).replace(u'}', QLatin1String("}}")) + u'}';
}

class SqlServerDialect final : public OdbcDialect {
public:
    QString serverName() const override { return QStringLiteral("SQL Server"); }
    bool isSqlServer() const override { return true; }

    // The statement time-out is set on every statement (SQL_ATTR_QUERY_TIMEOUT),
    // which both drivers honour: the server is told to cancel, and the call
    // fails with SQLSTATE HYT00 "Query timeout expired".
    QString connectionString(const ConnectionParameters& parameters, int) const override
    {
        return odbcConnectionString(parameters);
    }

    // sys.columns has one row per column; COLUMNPROPERTY(..., 'IsIdentity')
    // tells the IDENTITY column (at most one per table), and the primary key is
    // the index with is_primary_key = 1. max_length is in bytes: nvarchar and
    // nchar hold two per character, and -1 stands for (max). collation_name is
    // NULL for columns that are not text. OBJECT_ID without a type finds views
    // as well as tables.
    QString tableColumnsStatement() const override
    {
        return QStringLiteral(
            "SELECT c.name, TYPE_NAME(c.system_type_id),\n"
            "       CASE WHEN c.max_length <= 0 THEN 0\n"
            "            WHEN TYPE_NAME(c.system_type_id) IN ('varchar', 'char') THEN c.max_length\n"
            "            WHEN TYPE_NAME(c.system_type_id) IN ('nvarchar', 'nchar') THEN c.max_length / 2\n"
            "            ELSE 0 END,\n"
            "       COLUMNPROPERTY(c.object_id, c.name, 'IsIdentity'),\n"
            "       CASE WHEN EXISTS (SELECT 1 FROM sys.indexes AS i\n"
            "                         JOIN sys.index_columns AS ic\n"
            "                           ON ic.object_id = i.object_id AND ic.index_id = i.index_id\n"
            "                         WHERE i.object_id = c.object_id AND i.is_primary_key = 1\n"
            "                           AND ic.column_id = c.column_id) THEN 1 ELSE 0 END,\n"
            "       c.collation_name\n"
            "FROM sys.columns AS c\n"
            "WHERE c.object_id = OBJECT_ID(?)\n"
            "ORDER BY c.column_id");
    }

    // A disabled key enforces nothing and is left out. The column names come
    // from sys.columns of each side, in the key's column order.
    QString foreignKeysStatement() const override
    {
        return QStringLiteral(
            "SELECT fk.object_id, OBJECT_NAME(fk.referenced_object_id), pc.name, rc.name\n"
            "FROM sys.foreign_keys AS fk\n"
            "JOIN sys.foreign_key_columns AS fkc ON fkc.constraint_object_id = fk.object_id\n"
            "JOIN sys.columns AS pc ON pc.object_id = fkc.parent_object_id AND pc.column_id = fkc.parent_column_id\n"
            "JOIN sys.columns AS rc\n"
            "  ON rc.object_id = fkc.referenced_object_id AND rc.column_id = fkc.referenced_column_id\n"
            "WHERE fk.parent_object_id = OBJECT_ID(?) AND fk.is_disabled = 0\n"
            "ORDER BY fk.object_id, fkc.constraint_column_id");
    }

    // SCOPE_IDENTITY() is the last identity made in the same scope: this
    // batch. @@IDENTITY would also see keys that a trigger made in another
    // table. @@ROWCOUNT, read by the statement right after the INSERT, is the
    // rows it added, counted by the server whichever results a driver passes
    // on. No SET NOCOUNT: a batch must leave the session's settings as it
    // found them, so the INSERT's own row count comes first, then that row.
    QString insertBatch(const QString& insert) const override
    {
        return QStringLiteral("%1; SELECT CAST(SCOPE_IDENTITY() AS bigint), @@ROWCOUNT").arg(insert);
    }
    QString identityStatement() const override { return {}; }
    // The server passes on a row count for every statement that a trigger on
    // the table runs (unless the trigger sets NOCOUNT), and they come before
    // the UPDATE's or DELETE's own: the driver's first count may be a
    // trigger's. @@ROWCOUNT right after the statement is the statement's own.
    QString writeBatch(const QString& write) const override { return QStringLiteral("%1; SELECT @@ROWCOUNT").arg(write); }
    QString rowCountStatement() const override { return {}; }

    // @@TRANCOUNT counts the transactions open on the session; ROLLBACK ends
    // them all. For a deadlock victim (error 1205) or after a severe error the
    // server has ended it already, and then this does nothing; the driver's
    // rollback then has nothing left to end.
    QString resyncTransactionStatement() const override { return QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK"); }

    const RowWriter& rowWriter() const override { return m_writer; }

    // SQLBindParameter in the SQL Server ODBC drivers' documentation: the
    // column size of an SQL_WVARCHAR is at most 4000; a longer text is bound
    // with SQL_SS_LENGTH_UNLIMITED (0) and sent as nvarchar(max).
    qint64 textParameterSize(qsizetype length, int declaredSize) const override
    {
        const qint64 size = OdbcDialect::textParameterSize(length, declaredSize);
        return size > 4000 ? 0 : size;
    }

    // Drivers run a prepared statement through sp_prepexec or sp_executesql;
    // a SET inside such a call is restored when the call returns ("SET
    // statements" in the SQL Server documentation), so "SET DATEFORMAT dmy"
    // would not outlive it. SET statements are sent as they are.
    bool mustRunDirectly(const QString& statement) const override
    {
        return statement.trimmed().startsWith(QLatin1String("SET "), Qt::CaseInsensitive);
    }

    // HYT00 reads "Query timeout expired" (FreeTDS, ODBC Driver for SQL
    // Server) or "Timeout expired" (the Windows "SQL Server" driver). Error
    // 1222 is a lock time-out that a session may have set itself.
    bool isTimeout(const QSqlError& error) const override
    {
        const QString text = error.databaseText() + u' ' + error.driverText();
        return error.nativeErrorCode() == QLatin1String("HYT00")
            || text.contains(QLatin1String("timeout expired"), Qt::CaseInsensitive)
            || text.contains(QLatin1String("Lock request time out period exceeded"), Qt::CaseInsensitive);
    }

    // Error 547 is a statement that conflicts with a constraint: "The DELETE
    // statement conflicted with the REFERENCE constraint ..." for a row
    // referred to, "... with the FOREIGN KEY constraint ..." for a reference
    // to no row, "... with the CHECK constraint ..." for the one other kind.
    // The words around the kind differ from server to server and language to
    // language (another T-SQL server says "violates foreign key constraint"),
    // so the number decides, and only the CHECK kind, a parameter of the
    // message, is told apart: SQL Server's " CHECK " (English in every
    // language) or "check constraint".
    bool isForeignKeyViolation(const QSqlError& error) const override
    {
        if (error.nativeErrorCode() != QLatin1String("547"))
            return false;
        const QString text = error.databaseText() + u' ' + error.driverText();
        return !text.contains(QLatin1String(" CHECK "), Qt::CaseSensitive)
            && !text.contains(QLatin1String("check constraint"), Qt::CaseInsensitive);
    }

    // HAS_PERMS_BY_NAME answers for the connected login, through its roles and
    // any DENY; NULL when the object is not there or not visible to it. The
    // program's objects are in schema dbo.
    QString permissionStatement(bool onColumn) const override
    {
        return onColumn ? QStringLiteral("SELECT ISNULL(HAS_PERMS_BY_NAME(N'dbo.' + ?, 'OBJECT', ?, ?, 'COLUMN'), 0)")
                        : QStringLiteral("SELECT ISNULL(HAS_PERMS_BY_NAME(N'dbo.' + ?, 'OBJECT', ?), 0)");
    }

private:
    SqlServerRowWriter m_writer;
};

class SqliteOdbcDialect final : public OdbcDialect {
public:
    explicit SqliteOdbcDialect(const QString& driverName)
        : m_driverName(driverName)
    {
    }

    QString serverName() const override { return QStringLiteral("SQLite (ODBC)"); }

    // The driver waits for a lock for "Timeout" milliseconds, then fails with
    // "database is locked"; it ignores SQL_ATTR_QUERY_TIMEOUT. It enforces
    // foreign keys only when asked to ("FKSupport").
    QString connectionString(const ConnectionParameters& parameters, int statementTimeoutSeconds) const override
    {
        QString file = parameters.value(QStringLiteral("data source"));
        if (file.startsWith(QLatin1String("file:")))
            file = file.mid(5);
        // The driver takes the file's name as it stands, braces included.
        return QStringLiteral("DRIVER=%1;Database=%2;Timeout=%3;FKSupport=1;")
            .arg(braced(m_driverName), file)
            .arg(qint64(statementTimeoutSeconds) * 1000);
    }

    // An INTEGER PRIMARY KEY alone is the row id, which SQLite assigns.
    QString tableColumnsStatement() const override
    {
        return QStringLiteral(
            "SELECT name, type, 0,\n"
            "       CASE WHEN pk = 1 AND lower(type) = 'integer' AND sum(pk > 0) OVER () = 1 THEN 1 ELSE 0 END,\n"
            "       pk > 0, NULL\n"
            "FROM pragma_table_info(?)\n"
            "ORDER BY cid");
    }

    QString foreignKeysStatement() const override { return sqliteForeignKeysStatement(); }

    QString insertBatch(const QString& insert) const override { return insert; }
    // The row id of the connection's last insert, and the rows it added.
    QString identityStatement() const override { return QStringLiteral("SELECT last_insert_rowid(), changes()"); }
    // changes() counts the rows the last statement changed, not those its
    // triggers did.
    QString writeBatch(const QString& write) const override { return write; }
    QString rowCountStatement() const override { return QStringLiteral("SELECT changes()"); }
    bool mustRunDirectly(const QString&) const override { return false; }
    // Where SQLite ended the transaction on its own (a full disk), the driver
    // still counts it as open: its rollback fails ("no transaction is
    // active"), and so do switching autocommit on and disconnecting
    // ("incomplete transaction"). A transaction begun for it to roll back puts
    // the two in step; where one is still open, BEGIN fails and the rollback
    // ends that one.
    QString resyncTransactionStatement() const override { return QStringLiteral("BEGIN"); }
    // SQLite's own quoting, as on the embedded server.
    const RowWriter& rowWriter() const override { return m_writer; }

    bool isTimeout(const QSqlError& error) const override
    {
        return (error.databaseText() + u' ' + error.driverText())
            .contains(QLatin1String("database is locked"), Qt::CaseInsensitive);
    }

    bool isForeignKeyViolation(const QSqlError& error) const override
    {
        return isSqliteForeignKeyFailure(error.databaseText() + u' ' + error.driverText());
    }

private:
    QString m_driverName;
    SqliteRowWriter m_writer;
};

} // namespace

QString SqlServerRowWriter::quoteName(const QString& name) const
{
    return u'[' + QString(name).replace(u']', QLatin1String("]]")) + u']';
}

QString SqlServerRowWriter::matchCondition(const ColumnValue& match, QVector<ColumnValue>& parameters) const
{
    if (match.value.isNull() || !isTextType(match.column.type))
        return RowWriter::matchCondition(match, parameters);
    parameters << match;
    return QStringLiteral("CAST(%1 AS nvarchar(max)) = CAST(? AS nvarchar(max))").arg(quoteName(match.column.name));
}

std::unique_ptr<OdbcDialect> sqlServerDialect()
{
    return std::make_unique<SqlServerDialect>();
}

std::unique_ptr<OdbcDialect> sqliteOdbcDialect(const QString& driverName)
{
    return std::make_unique<SqliteOdbcDialect>(driverName);
}

QString odbcConnectionString(const ConnectionParameters& parameters)
{
#ifdef _WIN32
    const QString driver = QStringLiteral("SQL Server");
    const QString extra;
#else
    const QString driver = QStringLiteral("FreeTDS");
    // Qt reads the driver's texts as UTF-8; FreeTDS converts the server's
    // Windows-1251 texts to it.
    const QString extra = QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
#endif
    // "host,port" is SQL Server's way to name a port. A port is digits only:
    // anything else would reach the connection string as further keys.
    QString server = parameters.value(QStringLiteral("data source"));
    QString port;
    if (const qsizetype comma = server.indexOf(u','); comma > 0) {
        const QString digits = server.mid(comma + 1).trimmed();
        static const QRegularExpression number(QStringLiteral("^[0-9]{1,5}$"));
        if (!number.match(digits).hasMatch())
            throw DatabaseError(QStringLiteral("The port in the server name '%1' is not a number: a port is digits only.")
                                    .arg(server));
        port = QStringLiteral("PORT=%1;").arg(digits);
        server.truncate(comma);
    }
    return QStringLiteral("DRIVER={%1};SERVER=%2;%3DATABASE=%4;UID=%5;PWD=%6;%7")
        .arg(driver, braced(server), port,
             braced(parameters.value(QStringLiteral("initial catalog"))),
             braced(parameters.value(QStringLiteral("user id"))),
             braced(parameters.value(QStringLiteral("password"))), extra);
}

} // namespace db
