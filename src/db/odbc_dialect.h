#pragma once
// What the ODBC backend must know of the database behind the driver. SQL
// Server is what the users run; SQLite through its ODBC driver stands in for
// it where a real driver is wanted without a server (the tests, and the server
// check run on a copy of a database file). Everything that depends on the
// server lives here, in one place.
#include "db/backend.h"
#include "db/row_writer.h"

#include <QSqlError>

#include <memory>

namespace db {

class OdbcDialect {
public:
    virtual ~OdbcDialect() = default;

    // Which database this is, in words for people ("SQL Server").
    virtual QString serverName() const = 0;
    virtual bool isSqlServer() const { return false; }

    // The ODBC connection string for the OLE DB style parameters.
    // `statementTimeoutSeconds` is for drivers that take their time-out there.
    virtual QString connectionString(const ConnectionParameters& parameters, int statementTimeoutSeconds) const = 0;

    // A statement with one '?' (the table's name) whose rows describe the
    // table's columns in order: name, type name, size in characters (0 when
    // the type name carries it or has none), identity (1 or 0), part of the
    // primary key (1 or 0), collation (NULL where there is none).
    virtual QString tableColumnsStatement() const = 0;

    // A statement with one '?' (the table's name) whose rows are the table's
    // enforced foreign keys, one row per column, ordered by key and then by
    // column: the key's id, the referenced table, the column, the referenced
    // column.
    virtual QString foreignKeysStatement() const = 0;

    // The batch that runs `insert` and, where the server allows it in the same
    // batch, selects the key it created and, in a second column, the number of
    // rows the INSERT added. Empty `identityStatement()` then.
    virtual QString insertBatch(const QString& insert) const = 0;
    // A statement run right after the insert on the same connection that
    // selects the same two values; empty when the batch already did.
    virtual QString identityStatement() const = 0;

    // Whether a statement must be sent as it is rather than prepared: a
    // setting of the session would otherwise end with the prepared call.
    virtual bool mustRunDirectly(const QString& statement) const = 0;

    // The statements that write rows back, in this database's words.
    virtual const RowWriter& rowWriter() const = 0;

    // Whether the error is the statement time-out running out. Errors of the
    // backend's own row writes carry the SQLSTATE as their native code.
    virtual bool isTimeout(const QSqlError& error) const = 0;
    // Whether a foreign key refused the statement: a row referred to by other
    // rows, or a reference to a row that is not there.
    virtual bool isForeignKeyViolation(const QSqlError& error) const = 0;

    // The column size a text parameter of `length` characters is bound with
    // (SQL_WVARCHAR) for a column of `declaredSize` characters (0: no limit
    // known): the column's size where the text fits, so that statements differ
    // only in their values, else the text's own length, at least 1.
    virtual qint64 textParameterSize(qsizetype length, int declaredSize) const
    {
        return declaredSize > 0 && length <= declaredSize ? declaredSize : qMax<qint64>(length, 1);
    }

    // A statement that selects 1 when the connected login holds a permission
    // (SELECT, INSERT, UPDATE, DELETE, EXECUTE) on a table or procedure of the
    // program's schema, 0 otherwise; its values are the object's name, the
    // permission and, `onColumn`, the column's name. Empty where the server has no per-object permissions.
    virtual QString permissionStatement(bool onColumn) const
    {
        Q_UNUSED(onColumn);
        return {};
    }
};

// T-SQL's quoting of names in brackets.
class SqlServerRowWriter final : public RowWriter {
public:
    QString quoteName(const QString& name) const override;

protected:
    // Text columns are compared as nvarchar(max), and so is the value: "="
    // refuses ntext and text ("The data types ntext and nvarchar are
    // incompatible in the equal to operator"), which an older driver may make
    // of a long parameter, and the casts keep any length of the value read.
    QString matchCondition(const ColumnValue& match, QVector<ColumnValue>& parameters) const override;
};

// SQL Server through FreeTDS (Linux) or the system's "SQL Server" driver (Windows).
std::unique_ptr<OdbcDialect> sqlServerDialect();
// SQLite through its ODBC driver registered as `driverName`; "Data Source" is
// the database file.
std::unique_ptr<OdbcDialect> sqliteOdbcDialect(const QString& driverName);

// The ODBC connection string that SQL Server's dialect builds.
QString odbcConnectionString(const ConnectionParameters& parameters);

} // namespace db
