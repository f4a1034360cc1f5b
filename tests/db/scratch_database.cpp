#include "scratch_database.h"

#include "db/embedded_server.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kDirect = QStringLiteral("scratch-direct");
}

void ScratchDatabase::SetUp()
{
    ASSERT_TRUE(folder.isValid());
    path = folder.filePath(QStringLiteral("scratch.db"));
    {
        QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kDirect);
        direct.setDatabaseName(path);
        ASSERT_TRUE(direct.open());
    }
    for (const char* statement : {
             "CREATE TABLE server_logins (login TEXT PRIMARY KEY, password TEXT, role TEXT)",
             "INSERT INTO server_logins VALUES ('writer', 'w-pass', 'user'), ('gate', 'g-pass', 'gateway')",
             "CREATE TABLE kinds (id_kind INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(20))",
             "INSERT INTO kinds (title) VALUES ('Статья'), ('Книга'), ('Тезисы доклада')",
             "CREATE TABLE items (id_item INTEGER PRIMARY KEY AUTOINCREMENT, id_kind INTEGER, name VARCHAR(10), "
             "note NVARCHAR(300), amount INTEGER, level SMALLINT, issued DATE, stamped_by VARCHAR(20))",
             "INSERT INTO items (id_kind, name, amount, level, issued) VALUES "
             "(1, 'alpha', 10, 1, '2024-03-01'), (2, 'beta', 20, 2, NULL), (3, 'gamma', 30, 3, '2025-12-31')",
             "CREATE TABLE tags (owner INTEGER, tag VARCHAR(20))",
             "INSERT INTO tags VALUES (1, 'x'), (1, 'y'), (2, 'x')",
         })
        sql(QString::fromUtf8(statement));
}

void ScratchDatabase::TearDown()
{
    db::embedded_faults::clear();
    QSqlDatabase::removeDatabase(kDirect);
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
    QSqlQuery query(QSqlDatabase::database(kDirect));
    ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
}

QVariant ScratchDatabase::scalar(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(kDirect));
    if (!query.exec(statement) || !query.next())
        return {};
    return query.value(0);
}
