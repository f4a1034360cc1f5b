#include "control_database.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kDirect = QStringLiteral("controls-direct");
}

void ControlDatabase::SetUp()
{
    ASSERT_TRUE(folder.isValid());
    path = folder.filePath(QStringLiteral("controls.db"));
    {
        QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kDirect);
        direct.setDatabaseName(path);
        ASSERT_TRUE(direct.open());
    }
    for (const char* statement : {
             "CREATE TABLE server_logins (login TEXT PRIMARY KEY, password TEXT, role TEXT)",
             "INSERT INTO server_logins VALUES ('writer', 'w-pass', 'user')",
             "CREATE TABLE kinds (id_kind INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(20))",
             "INSERT INTO kinds (title) VALUES ('Статья'), ('Книга'), ('Тезисы')",
             "CREATE TABLE items (id_item INTEGER PRIMARY KEY AUTOINCREMENT, id_kind INTEGER, name VARCHAR(20), "
             "amount INTEGER, note VARCHAR(12), issued DATE)",
             "INSERT INTO items (id_kind, name, amount, note, issued) VALUES "
             "(1, 'alpha', 10, 'first', '2024-03-01'), (2, 'beta', 20, NULL, NULL), (3, 'gamma', 30, 'third', "
             "'2025-12-31')",
             "CREATE TABLE years (id_year INTEGER PRIMARY KEY, title VARCHAR(9))",
             "INSERT INTO years VALUES (1, '2008'), (2, '2009'), (3, '2010'), (4, '2019'), (5, '1999')",
         })
        sql(QString::fromUtf8(statement));
    connection = std::make_unique<db::Connection>();
    connection->setConnectionString(
        QStringLiteral("Provider=SQLOLEDB.1;Password=w-pass;User ID=writer;Initial Catalog=QEL;Data Source=file:%1")
            .arg(path));
    connection->open();
}

void ControlDatabase::TearDown()
{
    connection.reset();
    QSqlDatabase::removeDatabase(kDirect);
}

std::unique_ptr<db::Dataset> ControlDatabase::query(const QString& statement, const QString& name)
{
    auto dataset = std::make_unique<db::Dataset>(name, db::Dataset::Kind::Query, connection.get());
    dataset->setSql(statement);
    return dataset;
}

void ControlDatabase::sql(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(kDirect));
    ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
}

QVariant ControlDatabase::scalar(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(kDirect));
    if (!query.exec(statement) || !query.next())
        return {};
    return query.value(0);
}
