#pragma once
// A small embedded-server database of its own for each test: two logins and a
// few general tables, in a temporary folder that goes with the fixture.
#include "db/connection.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ScratchDatabase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString connectionString(const QString& login = QStringLiteral("writer"),
                             const QString& password = QStringLiteral("w-pass")) const;
    // A new connection, opened with the user login.
    std::unique_ptr<db::Connection> connect() const;
    // Runs statements on the file directly, outside the layer under test.
    void sql(const QString& statement) const;
    QVariant scalar(const QString& statement) const;

    QTemporaryDir folder;
    QString path;
};
