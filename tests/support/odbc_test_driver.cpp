#include "odbc_test_driver.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace odbc_test_driver {
namespace {

// Not the system's name for it, so that only this registration can be found.
const QString kDriverName = QStringLiteral("QEL test SQLite3");

QTemporaryDir& configFolder()
{
    static QTemporaryDir folder;
    return folder;
}

// odbcinst.ini: the driver.
bool writeDriverIni(const QString& library)
{
    QFile ini(configFolder().filePath(QStringLiteral("odbcinst.ini")));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "Cannot write " << ini.fileName().toStdString();
        return false;
    }
    ini.write(QStringLiteral("[%1]\nDescription=SQLite3 through ODBC, for the tests\nDriver=%2\n")
                  .arg(kDriverName, library)
                  .toUtf8());
    return true;
}

QString registerDriver()
{
    QTemporaryDir& folder = configFolder();
    const QString library = QStringLiteral(QEL_SQLITE_ODBC_DRIVER);
    if (library.isEmpty() || !QFile::exists(library)) {
        ADD_FAILURE() << "The SQLite ODBC driver (Debian: libsqliteodbc) is not installed; scripts/setup.sh installs it.";
        return kDriverName;
    }
    if (!writeDriverIni(library))
        return kDriverName;
    QFile(folder.filePath(QStringLiteral("odbc.ini"))).open(QIODevice::WriteOnly | QIODevice::Truncate);
    qputenv("ODBCSYSINI", QFile::encodeName(folder.path()));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", QFile::encodeName(folder.filePath(QStringLiteral("odbc.ini"))));
    return kDriverName;
}

} // namespace

// The driver manager reads its ini files through a cache that lives 20
// seconds, so a [ODBC] Trace entry written now may be seen only later; the
// trace attributes take effect at once and need no connection handle.
void traceInto(const QString& file)
{
    driverName();
    if (!file.isEmpty()) {
        QByteArray name = QFile::encodeName(file);
        SQLSetConnectAttr(SQL_NULL_HDBC, SQL_ATTR_TRACEFILE, name.data(), SQL_NTS);
    }
    SQLSetConnectAttr(SQL_NULL_HDBC, SQL_ATTR_TRACE,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(file.isEmpty() ? SQL_OPT_TRACE_OFF
                                                                                         : SQL_OPT_TRACE_ON)),
                      SQL_IS_UINTEGER);
}

QString driverName()
{
    static const QString name = registerDriver();
    return name;
}

db::Connection::BackendFactory backendFactory(int statementTimeoutSeconds)
{
    const QString driver = driverName();
    return [driver, statementTimeoutSeconds](const db::ConnectionParameters&) {
        auto backend = std::make_unique<db::OdbcBackend>(db::sqliteOdbcDialect(driver));
        backend->setStatementTimeout(statementTimeoutSeconds);
        return backend;
    };
}

std::unique_ptr<db::Connection> connect(const QString& path, int statementTimeoutSeconds)
{
    auto connection = std::make_unique<db::Connection>();
    connection->setBackendFactory(backendFactory(statementTimeoutSeconds));
    connection->setConnectionString(QStringLiteral("Data Source=file:%1").arg(path));
    connection->open();
    return connection;
}

} // namespace odbc_test_driver
