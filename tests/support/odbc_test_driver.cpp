#include "odbc_test_driver.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace odbc_test_driver {
namespace {

// Not the system's name for it, so that only this registration can be found.
const QString kDriverName = QStringLiteral("QEL test SQLite3");

QTemporaryDir& configFolder()
{
    static QTemporaryDir folder;
    return folder;
}

// odbcinst.ini: the driver, and the driver manager's trace when `traceFile` is given.
bool writeDriverIni(const QString& library, const QString& traceFile)
{
    QFile ini(configFolder().filePath(QStringLiteral("odbcinst.ini")));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "Cannot write " << ini.fileName().toStdString();
        return false;
    }
    QString text = QStringLiteral("[%1]\nDescription=SQLite3 through ODBC, for the tests\nDriver=%2\n").arg(kDriverName, library);
    if (!traceFile.isEmpty())
        text += QStringLiteral("\n[ODBC]\nTrace=Yes\nTraceFile=%1\n").arg(traceFile);
    ini.write(text.toUtf8());
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
    if (!writeDriverIni(library, QString()))
        return kDriverName;
    QFile(folder.filePath(QStringLiteral("odbc.ini"))).open(QIODevice::WriteOnly | QIODevice::Truncate);
    qputenv("ODBCSYSINI", QFile::encodeName(folder.path()));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", QFile::encodeName(folder.filePath(QStringLiteral("odbc.ini"))));
    return kDriverName;
}

} // namespace

void traceInto(const QString& file)
{
    driverName();
    writeDriverIni(QStringLiteral(QEL_SQLITE_ODBC_DRIVER), file);
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
