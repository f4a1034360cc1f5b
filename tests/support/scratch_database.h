#pragma once
// A small embedded-server database of its own for each test, made from the
// statements a fixture gives, in a temporary folder that goes with it. Its
// user login is writer / w-pass. connect() reaches it through the embedded
// server, or through the ODBC backend and a real ODBC driver (the SQLite ODBC
// driver), as `route` says.
#include "db/connection.h"
#include "direct_sql.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ScratchDatabase : public ::testing::Test {
public:
    enum class Route { Embedded, Odbc };

protected:
    void SetUp() override;
    void TearDown() override;

    // The tables and rows besides server_logins.
    virtual QStringList schema() const = 0;

    QString connectionString(const QString& login = QStringLiteral("writer"),
                             const QString& password = QStringLiteral("w-pass")) const;
    // A new connection, opened with the user login.
    std::unique_ptr<db::Connection> connect() const;
    // Runs statements on the file directly, outside the layer under test.
    void sql(const QString& statement) const { m_direct.sql(statement); }
    QVariant scalar(const QString& statement) const { return m_direct.scalar(statement); }

    Route route = Route::Embedded;
    QTemporaryDir folder;
    QString path;

private:
    DirectSql m_direct;
};
