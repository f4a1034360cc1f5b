#pragma once
// A small embedded-server database for the control tests: a user login and a
// few general tables, in a temporary folder that goes with the fixture.
#include "db/connection.h"
#include "db/data_source.h"
#include "db/dataset.h"
#include "fake_dialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// Readable failures for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

class ControlDatabase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A query dataset on the fixture's connection (not opened).
    std::unique_ptr<db::Dataset> query(const QString& statement, const QString& name = QStringLiteral("Q"));
    // Runs statements on the file directly, outside the layer under test.
    void sql(const QString& statement) const;
    QVariant scalar(const QString& statement) const;

    QTemporaryDir folder;
    QString path;
    std::unique_ptr<db::Connection> connection;
    FakeDialogs dialogs;
};
