#pragma once
// A small embedded-server database of its own for each test, made from the
// statements a fixture gives, in a temporary folder that goes with it. Its
// user login is writer / w-pass. connect() reaches it through the embedded
// server, or through the ODBC backend and a real ODBC driver (the SQLite ODBC
// driver), as `route` says; or, over TDS, a database of its own on the T-SQL
// server of tds_server.h, made from the fixture's T-SQL statements (the
// administrator's login; a test over it skips where that server is not there).
#include "db/connection.h"
#include "direct_sql.h"
#include "tds_server.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ScratchDatabase : public ::testing::Test {
public:
    enum class Route { Embedded, Odbc, Tds };

protected:
    void SetUp() override;
    void TearDown() override;

    // The tables and rows besides server_logins.
    virtual QStringList schema() const = 0;
    // The same in T-SQL, for the route over TDS.
    virtual QStringList tdsSchema() const { return {}; }

    QString connectionString(const QString& login = QStringLiteral("writer"),
                             const QString& password = QStringLiteral("w-pass")) const;
    // A new connection, opened with the user login.
    std::unique_ptr<db::Connection> connect() const;
    // Runs statements on the file directly, outside the layer under test.
    void sql(const QString& statement) const;
    QVariant scalar(const QString& statement) const;
    // A statement that SQLite and T-SQL word differently, in the route's words.
    void sql(const QString& sqlite, const QString& tsql) const { sql(route == Route::Tds ? tsql : sqlite); }
    QVariant scalar(const QString& sqlite, const QString& tsql) const
    {
        return scalar(route == Route::Tds ? tsql : sqlite);
    }
    // The route's database on the T-SQL server; null on the other routes.
    const tds_server::ScratchDatabase* tdsDatabase() const { return m_tds.get(); }

    Route route = Route::Embedded;
    QTemporaryDir folder;
    QString path;

private:
    DirectSql m_direct;
    // Dropped after the derived fixture's connections are closed.
    std::unique_ptr<tds_server::ScratchDatabase> m_tds;
};
