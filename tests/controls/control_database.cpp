#include "control_database.h"


QStringList ControlDatabase::schema() const
{
    return {
        QStringLiteral("CREATE TABLE kinds (id_kind INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(20))"),
        QStringLiteral("INSERT INTO kinds (title) VALUES ('Статья'), ('Книга'), ('Тезисы')"),
        QStringLiteral("CREATE TABLE items (id_item INTEGER PRIMARY KEY AUTOINCREMENT, id_kind INTEGER, "
                       "name VARCHAR(20), amount INTEGER, note VARCHAR(12), issued DATE)"),
        QStringLiteral("INSERT INTO items (id_kind, name, amount, note, issued) VALUES "
                       "(1, 'alpha', 10, 'first', '2024-03-01'), (2, 'beta', 20, NULL, NULL), "
                       "(3, 'gamma', 30, 'third', '2025-12-31')"),
        QStringLiteral("CREATE TABLE years (id_year INTEGER PRIMARY KEY, title VARCHAR(9))"),
        QStringLiteral("INSERT INTO years VALUES (1, '2008'), (2, '2009'), (3, '2010'), (4, '2019'), (5, '1999')"),
    };
}

void ControlDatabase::SetUp()
{
    ScratchDatabase::SetUp();
    connection = connect();
}

void ControlDatabase::TearDown()
{
    connection.reset();
    ScratchDatabase::TearDown();
}

std::unique_ptr<db::Dataset> ControlDatabase::query(const QString& statement, const QString& name)
{
    auto dataset = std::make_unique<db::Dataset>(name, db::Dataset::Kind::Query, connection.get());
    dataset->setSql(statement);
    return dataset;
}
