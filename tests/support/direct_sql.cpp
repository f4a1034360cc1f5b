#include "direct_sql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

DirectSql::~DirectSql()
{
    close();
}

void DirectSql::open(const QString& path)
{
    close();
    static int opened = 0;
    m_connection = QStringLiteral("direct-sql-%1").arg(++opened);
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    database.setDatabaseName(path);
    ASSERT_TRUE(database.open()) << database.lastError().text().toStdString();
}

void DirectSql::close()
{
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(m_connection, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

void DirectSql::sql(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString() << " in "
                                       << statement.toStdString();
}

QVariant DirectSql::scalar(const QString& statement) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(statement) || !query.next())
        return {};
    return query.value(0);
}
