#pragma once
// A small embedded-server database for the control tests: a user login and a
// few general tables, in a temporary folder that goes with the fixture.
#include "db/connection.h"
#include "db/data_source.h"
#include "db/dataset.h"
#include "fake_dialogs.h"
#include "scratch_database.h"

#include <memory>

// Readable failures for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

class ControlDatabase : public ScratchDatabase {
protected:
    void SetUp() override;
    void TearDown() override;
    QStringList schema() const override;

    // A query dataset on the fixture's connection (not opened).
    std::unique_ptr<db::Dataset> query(const QString& statement, const QString& name = QStringLiteral("Q"));

    std::unique_ptr<db::Connection> connection;
    FakeDialogs dialogs;
};
