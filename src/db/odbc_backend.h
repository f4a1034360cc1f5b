#pragma once
// A database reached through Qt's ODBC driver: SQL Server with FreeTDS on
// Linux or the system's "SQL Server" driver on Windows, as the program ships;
// another database where a dialect for it is given. Reads go through Qt's
// driver; row writes run on the same ODBC connection with typed parameters.
#include "db/odbc_dialect.h"
#include "db/odbc_statement.h"
#include "db/sql_backend.h"

#include <QHash>

#include <memory>
#include <optional>
#include <utility>

namespace db {

class OdbcBackend final : public SqlBackend {
public:
    // Seconds a login may take: FreeTDS has no limit of its own.
    static constexpr int kLoginTimeoutSeconds = 15;
    // Seconds a statement may run before it is cancelled: the usual
    // 30-second command time-out.
    static constexpr int kStatementTimeoutSeconds = 30;

    explicit OdbcBackend(std::unique_ptr<OdbcDialect> dialect = sqlServerDialect());

    const OdbcDialect& dialect() const { return *m_dialect; }
    // Takes effect for statements sent after it (and, for drivers that take
    // it in the connection string, at the next open).
    void setStatementTimeout(int seconds) { m_statementTimeout = seconds; }
    int statementTimeout() const { return m_statementTimeout; }

    void open(const ConnectionParameters& parameters) override;
    ResultSet query(const QString& statement) override;
    ResultSet read(const BoundStatement& statement) override;
    TableInfo tableInfo(const QString& table) override;
    QVector<ForeignKeyInfo> foreignKeys(const QString& table) override;
    // Row writes run on the connection's ODBC handle with typed parameters.
    int write(const BoundStatement& statement) override;
    InsertResult insert(const BoundStatement& statement) override;
    const RowWriter& rowWriter() const override { return m_dialect->rowWriter(); }

    // Not applicable where the dialect has no per-object permissions, or
    // (other than SQL Server) no collations.
    ServerAnswer<bool> hasPermission(const QString& object, const QString& permission,
                                     const QString& column = QString()) override;
    ServerAnswer<QHash<QString, QString>> collations(const QString& table) override;
    QString uniformCollation() const override { return {}; }

protected:
    // Where the driver's rollback failed (leaving autocommit off), the
    // dialect's statement that puts server and driver in step, then the
    // driver's rollback once more.
    void endOpenTransaction(const QString& rollbackError) override;
    // A broken link is ConnectionLost: SQLSTATE class 08, the drivers' words
    // for a communication-link failure, or the driver saying the connection
    // is dead; a statement that ran out of time says so.
    DatabaseError failure(const QSqlError& error) const override;

private:
    // Prepared on a statement handle of Qt's driver, given the time-out and
    // `values`, executed: for statements whose rows are read through Qt.
    QSqlQuery runOnQtHandle(const QString& statement, const QVariantList& values);
    ResultSet fetch(QSqlQuery& query);
    // The connection's ODBC handle (an SQLHDBC); throws when it is closed.
    void* connectionHandle() const;
    // Run on a statement handle of the backend's own on the connection, each
    // parameter bound in its column's type: for row writes.
    OdbcOutcome runOnOwnHandle(const BoundStatement& statement);
    // Runs a write's batch on the own handle; with it, the row the batch
    // selected, or the one that `follow` (where the dialect needs it) selects
    // right after it.
    std::pair<OdbcOutcome, QVariantList> runWithResultRow(const BoundStatement& batch, const QString& follow);
    [[noreturn]] void fail(const QSqlError& error) const { throw failure(error); }
    bool isConnectionLost(const QSqlError& error) const;

    std::unique_ptr<OdbcDialect> m_dialect;
    int m_statementTimeout = kStatementTimeoutSeconds;
};

} // namespace db
