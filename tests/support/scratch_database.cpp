#include "scratch_database.h"

#include "embedded_faults.h"
#include "odbc_test_driver.h"


void ScratchDatabase::SetUp()
{
    if (route == Route::Tds) {
        if (!tds_server::available())
            GTEST_SKIP() << tds_server::skipReason();
        m_tds = std::make_unique<tds_server::ScratchDatabase>();
        for (const QString& statement : tdsSchema())
            sql(statement);
        return;
    }
    ASSERT_TRUE(folder.isValid());
    path = folder.filePath(QStringLiteral("scratch.db"));
    m_direct.open(path);
    sql(QStringLiteral("CREATE TABLE server_logins (login TEXT PRIMARY KEY, password TEXT, role TEXT)"));
    sql(QStringLiteral("INSERT INTO server_logins VALUES ('writer', 'w-pass', 'user'), ('gate', 'g-pass', 'gateway')"));
    for (const QString& statement : schema())
        sql(statement);
}

void ScratchDatabase::TearDown()
{
    db::embedded_faults::clear();
}

void ScratchDatabase::sql(const QString& statement) const
{
    if (m_tds)
        m_tds->sql(statement);
    else
        m_direct.sql(statement);
}

QVariant ScratchDatabase::scalar(const QString& statement) const
{
    return m_tds ? m_tds->scalar(statement) : m_direct.scalar(statement);
}

QString ScratchDatabase::connectionString(const QString& login, const QString& password) const
{
    if (route == Route::Tds)
        return tds_server::oleDbString(tds_server::adminLogin(), tds_server::adminPassword(),
                                       m_tds ? m_tds->name() : QString());
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=QEL;Data Source=%3;Use Procedure for Prepare=1")
        .arg(password, login,
             route == Route::Odbc ? odbc_test_driver::dataSource(path) : QStringLiteral("file:") + path);
}

std::unique_ptr<db::Connection> ScratchDatabase::connect() const
{
    auto connection = std::make_unique<db::Connection>();
    if (route == Route::Odbc)
        connection->setBackendFactory(odbc_test_driver::backendFactory());
    else if (route == Route::Tds)
        connection->setBackendFactory(tds_server::backendFactory());
    connection->setConnectionString(connectionString());
    connection->open();
    return connection;
}
