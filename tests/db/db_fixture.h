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
};

// The same tests over both backends: the embedded server, and the ODBC backend
// through a real ODBC driver on the same kind of file.
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
    return info.param == ScratchDatabase::Route::Embedded ? "Embedded" : "Odbc";
}

#define QEL_OVER_BOTH_BACKENDS(Suite)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                                           \
                             ::testing::Values(ScratchDatabase::Route::Embedded, ScratchDatabase::Route::Odbc), \
                             backendName)
