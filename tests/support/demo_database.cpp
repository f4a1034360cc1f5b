#include "demo_database.h"

#include "platform/files.h"
#include "signin/connection_settings.h"

#include <QDir>
#include <QFile>

#include "sqlite_tool.h"

#include <filesystem>

namespace {

QString pristineDemoDatabase()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString output = folder.filePath(QStringLiteral("demo.db"));
        // Built in this process: a child process per test adds start-up time,
        // and under Wine Qt's wait for a child's end can outlive the process
        // object and crash the test.
        const std::filesystem::path source = QEL_SOURCE_DIR;
        try {
            sqlite_tool::buildFromScripts(source / "sql/sqlite/schema.sql", source / "sql/sqlite/demo_data.sql",
                                          std::filesystem::path(output.toStdU16String()));
        } catch (const sqlite_tool::Error& error) {
            qFatal("the demo database could not be built: %s", error.what());
        }
        return output;
    }();
    return path;
}

} // namespace

DemoDatabase::DemoDatabase()
{
    QDir(m_folder.path()).mkdir(QStringLiteral("Data"));
    m_path = m_folder.filePath(QStringLiteral("Data/demo.db"));
    QFile::copy(pristineDemoDatabase(), m_path);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    m_direct.open(m_path);
}

DemoDatabase::~DemoDatabase()
{
    if (platform::programFolder() == m_folder.path().toStdString())
        platform::overrideProgramFolder({});
}

QString DemoDatabase::connectionString(const QString& login, const QString& password) const
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=QEL;Data Source=%3;Use Procedure for Prepare=1")
        .arg(password, login, dataSource());
}

void DemoDatabase::becomeProgramFolder(const std::string& gatewayPassword, const std::string& dataSource) const
{
    const std::string folder = m_folder.path().toStdString();
    platform::writeFile(platform::joinPath(folder, {"Data", "QEL"}),
                        EncodeConnectionSettings({"qel_gate", gatewayPassword, "QEL", dataSource}));
    platform::overrideProgramFolder(folder);
}
