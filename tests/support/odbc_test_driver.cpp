#include "odbc_test_driver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>
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

#ifdef _WIN32
// Under Wine a Windows program's ODBC calls reach this machine's unixODBC
// (Wine's odbc32 hands them on), which loads Linux drivers and opens files by
// their Unix names. Variables set in the Windows program do not reach the Unix
// side, so there the driver is named by its file in the connection string,
// not registered.
bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The Unix name of a file under Wine, by Wine's own mapping of the drives
// (kernel32's wine_get_unix_file_name); empty where it has none.
QString unixFileName(const QString& path)
{
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    char* name = toUnix(native.c_str());
    if (!name)
        return {};
    const QString result = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}
#else
constexpr bool underWine()
{
    return false;
}
#endif

QString registerDriver()
{
    const QString library = QStringLiteral(QEL_SQLITE_ODBC_DRIVER);
    // Under Wine the file is the Unix side's to find (unixODBC names it when missing).
    if (library.isEmpty() || (!underWine() && !QFile::exists(library))) {
        ADD_FAILURE() << "The SQLite ODBC driver (Debian: libsqliteodbc) is not installed; the build scripts install it."
#ifdef _WIN32
                      << " A Windows build reaches it only under Wine, through the machine's unixODBC."
#endif
            ;
        return kDriverName;
    }
    if (underWine())
        return library;
    QTemporaryDir& folder = configFolder();
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
        // The wide form: a Windows build's SQLSetConnectAttr is the wide one.
        QString name = driverSideName(file);
        SQLSetConnectAttrW(SQL_NULL_HDBC, SQL_ATTR_TRACEFILE, name.data(), SQL_NTS);
    }
    SQLSetConnectAttr(SQL_NULL_HDBC, SQL_ATTR_TRACE,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(file.isEmpty() ? SQL_OPT_TRACE_OFF
                                                                                         : SQL_OPT_TRACE_ON)),
                      SQL_IS_UINTEGER);
}

QString driverSideName(const QString& path)
{
#ifdef _WIN32
    if (underWine())
        return unixFileName(path);
#endif
    return path;
}

QString dataSource(const QString& path)
{
    return QStringLiteral("file:") + driverSideName(path);
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
    connection->setConnectionString(QStringLiteral("Data Source=") + dataSource(path));
    connection->open();
    return connection;
}

} // namespace odbc_test_driver
