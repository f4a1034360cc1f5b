#include "scratch_database.h"

#include "db/embedded_server.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

void ScratchDatabase::SetUp()
{
    static int made = 0;
    m_direct = QStringLiteral("scratch-direct-%1").arg(++made);
    ASSERT_TRUE(folder.isValid());
    path = folder.filePath(QStringLiteral("scratch.db"));
    {
        QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_direct);
        direct.setDatabaseName(path);
        ASSERT_TRUE(direct.open());
    }
    sql(QStringLiteral("CREATE TABLE server_logins (login TEXT PRIMARY KEY, password TEXT, role TEXT)"));
    sql(QStringLiteral("INSERT INTO server_logins VALUES ('writer', 'w-pass', 'user'), ('gate', 'g-pass', 'gateway')"));
    for (const QString& statement : schema())
        sql(statement);
}

void ScratchDatabase::TearDown()
{
    db::embedded_faults::clear();
    {
        QSqlDatabase direct = QSqlDatabase::database(m_direct, false);
        direct.close();
    }
    QSqlDatabase::removeDatabase(m_direct);
}

QString ScratchDatabase::connectionString(const QString& login, const QString& password) const
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=QEL;Data Source=file:%3;Use Procedure for Prepare=1")
        .arg(password, login, path);
}

std::unique_ptr<db::Connection> ScratchDatabase::connect() const
{
    auto connection = std::make_unique<db::Connection>();
    connection->setConnectionString(connectionString());
    connection->open();
    return connection;
}

void ScratchDatabase::sql(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(m_direct));
    ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
}

QVariant ScratchDatabase::scalar(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(m_direct));
    if (!query.exec(statement) || !query.next())
        return {};
    return query.value(0);
}
