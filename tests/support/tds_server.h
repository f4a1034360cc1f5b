#pragma once
// The T-SQL server of the SQL Server tests: the one scripts/test.sh starts
// (scripts/lib/sqlserver_peer.sh, a Babelfish server with the reference
// scripts and the demo data loaded), reached over TDS through the FreeTDS
// ODBC driver named by its file, as on a Linux workstation; under Wine through
// Wine's ODBC layer and the same Linux driver. Its connection facts come from
// the QEL_TDS_* variables the harness exports; without them every test over it
// skips, saying so.
#include "db/connection.h"
#include "db/odbc_backend.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace tds_server {

// Whether the harness's server is there (QEL_TDS_PORT set).
bool available();
// Why a test over it does not run where it is not there.
const char* skipReason();

// "host,port" of the server's TDS port.
QString dataSource();
QString adminLogin();
QString adminPassword();
// The PostgreSQL port and socket folder of the same server (the harness's
// way to end a session from outside, as a server administrator would).
int postgresPort();
QString postgresSocket();
// Runs a statement through the PostgreSQL port in the server's database
// (where this engine takes a T-SQL statement but does nothing: a column's
// REVOKE); fails the running test when it fails.
void postgres(const QString& statement);

// The ODBC connection string SQL Server's dialect builds, with the FreeTDS
// driver named by its file (on Linux its registration would do; under Wine
// only the file reaches the Unix side).
QString connectionString(const db::ConnectionParameters& parameters);

// Backends of SQL Server's dialect over FreeTDS.
db::Connection::BackendFactory backendFactory(int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);
// The OLE DB style connection string of a login to `database`.
QString oleDbString(const QString& login, const QString& password, const QString& database);
// A connection of `login` to `database`, opened.
std::unique_ptr<db::Connection> connect(const QString& login, const QString& password, const QString& database,
                                        int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);

// A database of its own for one test, made by the administrator and dropped
// with the object; sql() and scalar() run as the administrator in it,
// outside the connection under test.
class ScratchDatabase {
public:
    ScratchDatabase();
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const QString& name() const { return m_name; }
    // Fails the running test when the statement fails.
    void sql(const QString& statement) const;
    // The first column of the first row; null when there is none.
    QVariant scalar(const QString& statement) const;
    db::Connection& admin() const { return *m_admin; }

private:
    QString m_name;
    std::unique_ptr<db::Connection> m_admin;
};

} // namespace tds_server
