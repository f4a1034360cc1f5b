#pragma once
#include "data/data_module.h"
#include "demo_database.h"
#include "fake_dialogs.h"
#include "refusal.h"
#include "fake_session.h"

#include "embedded_faults.h"
#include "db/errors.h"

#include <gtest/gtest.h>

#include <functional>

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dm.setSession(&session);
        dm.ADOCon->setConnectionString(demo.connectionString());
        dm.ADOCon->open();
    }
    void TearDown() override { db::embedded_faults::clear(); }

    // Opens a teacher-bound dataset on one teacher's rows, as the main window does.
    void openOn(db::Dataset* dataset, const QString& statement, int teacher)
    {
        dataset->setSql(statement + QString::number(teacher));
        dataset->setLockType(db::Dataset::LockType::Optimistic);
        dataset->open();
    }
    int count(const QString& statement) const { return demo.scalar(statement).toInt(); }

    DemoDatabase demo;
    FakeSession session;
    TDM_MB dm;
};
