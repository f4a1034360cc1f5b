#pragma once
#include "scratch_database.h"

#include <string>

// General tables for the data-layer tests: kinds, items referring to them,
// and tags, which have no key.
class DbTest : public ScratchDatabase {
protected:
    QStringList schema() const override
    {
        return {
            QStringLiteral("CREATE TABLE kinds (id_kind INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(20))"),
            QStringLiteral("INSERT INTO kinds (title) VALUES ('Статья'), ('Книга'), ('Тезисы доклада')"),
            QStringLiteral("CREATE TABLE items (id_item INTEGER PRIMARY KEY AUTOINCREMENT, id_kind INTEGER, "
                           "name VARCHAR(10), note NVARCHAR(300), amount INTEGER, level SMALLINT, issued DATE, "
                           "stamped_by VARCHAR(20))"),
            QStringLiteral("INSERT INTO items (id_kind, name, amount, level, issued) VALUES "
                           "(1, 'alpha', 10, 1, '2024-03-01'), (2, 'beta', 20, 2, NULL), "
                           "(3, 'gamma', 30, 3, '2025-12-31')"),
            QStringLiteral("CREATE TABLE tags (owner INTEGER, tag VARCHAR(20))"),
            QStringLiteral("INSERT INTO tags VALUES (1, 'x'), (1, 'y'), (2, 'x')"),
        };
    }
    // The same tables on the T-SQL server; the key is a bigint, so that keys
    // beyond 32 bits can be tried there too.
    QStringList tdsSchema() const override
    {
        return {
            QStringLiteral("CREATE TABLE kinds (id_kind int IDENTITY(1, 1) PRIMARY KEY, title varchar(20))"),
            QStringLiteral("INSERT INTO kinds (title) VALUES ('Статья'), ('Книга'), ('Тезисы доклада')"),
            QStringLiteral("CREATE TABLE items (id_item bigint IDENTITY(1, 1) PRIMARY KEY, id_kind int, "
                           "name varchar(10), note nvarchar(300), amount int, level smallint, issued date, "
                           "stamped_by varchar(20))"),
            QStringLiteral("INSERT INTO items (id_kind, name, amount, level, issued) VALUES "
                           "(1, 'alpha', 10, 1, '20240301'), (2, 'beta', 20, 2, NULL), "
                           "(3, 'gamma', 30, 3, '20251231')"),
            QStringLiteral("CREATE TABLE tags (owner int, tag varchar(20))"),
            QStringLiteral("INSERT INTO tags VALUES (1, 'x'), (1, 'y'), (2, 'x')"),
        };
    }
};

// The same tests over three backends: the embedded server, the ODBC backend
// through a real ODBC driver on the same kind of file, and the ODBC backend
// with SQL Server's dialect over FreeTDS to the T-SQL server (tds_server.h).
class BothBackends : public DbTest, public ::testing::WithParamInterface<ScratchDatabase::Route> {
protected:
    void SetUp() override
    {
        route = GetParam();
        DbTest::SetUp();
    }
};

inline std::string backendName(const ::testing::TestParamInfo<ScratchDatabase::Route>& info)
{
    switch (info.param) {
    case ScratchDatabase::Route::Embedded: return "Embedded";
    case ScratchDatabase::Route::Odbc: return "Odbc";
    case ScratchDatabase::Route::Tds: return "Tds";
    }
    return "Unknown";
}

#define QEL_OVER_BOTH_BACKENDS(Suite)                                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                                                \
                             ::testing::Values(ScratchDatabase::Route::Embedded, ScratchDatabase::Route::Odbc, \
                                               ScratchDatabase::Route::Tds),                                \
                             backendName)
