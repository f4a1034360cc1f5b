#pragma once
// A real ODBC driver for the tests: the SQLite ODBC driver under the ODBC
// driver manager, registered for this test process only (an odbcinst.ini in a
// private folder named by ODBCSYSINI; the system's file is never touched).
// Connections made here reach an SQLite database file through Qt's ODBC
// driver and the program's ODBC backend, as SQL Server would be reached.
// The Windows build reaches it only under Wine, through Wine's ODBC layer and
// the Linux driver (named by its file: the private registration cannot reach
// the Unix side); there the driver sees files by their Unix names.
#include "db/connection.h"
#include "db/odbc_backend.h"

#include <QString>

#include <memory>

namespace odbc_test_driver {

// The name the driver is registered under; registers it on first use.
// Fails the running test when the driver is not installed.
QString driverName();

// The name under which the driver opens the file `path`: the path itself, or
// under Wine its Unix name.
QString driverSideName(const QString& path);
// The "Data Source" value naming the database file `path` for the driver.
QString dataSource(const QString& path);

// Has the driver manager (unixODBC) trace every call from now on, bound
// parameters included, into `file`; an empty name ends the trace.
void traceInto(const QString& file);

// Backends over the driver on the file that "Data Source" names.
db::Connection::BackendFactory backendFactory(int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);

// A connection through the driver to the SQLite database file `path`, opened.
std::unique_ptr<db::Connection> connect(const QString& path,
                                        int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);

} // namespace odbc_test_driver
