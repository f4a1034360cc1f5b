#pragma once
// A real ODBC driver for the tests: the SQLite ODBC driver under the ODBC
// driver manager, registered for this test process only (an odbcinst.ini in a
// private folder named by ODBCSYSINI; the system's file is never touched).
// Connections made here reach an SQLite database file through Qt's ODBC
// driver and the program's ODBC backend, as SQL Server would be reached.
#include "db/connection.h"
#include "db/odbc_backend.h"

#include <QString>

#include <memory>

namespace odbc_test_driver {

// The name the driver is registered under; registers it on first use.
// Fails the running test when the driver is not installed.
QString driverName();

// Has the driver manager trace every call, bound parameters included, into
// `file` for connections opened from now on; an empty name ends the trace.
void traceInto(const QString& file);

// Backends over the driver on the file that "Data Source" names.
db::Connection::BackendFactory backendFactory(int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);

// A connection through the driver to the SQLite database file `path`, opened.
std::unique_ptr<db::Connection> connect(const QString& path,
                                        int statementTimeoutSeconds = db::OdbcBackend::kStatementTimeoutSeconds);

} // namespace odbc_test_driver
