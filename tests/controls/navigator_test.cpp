#include "control_database.h"

#include "controls/db_navigator.h"
#include "db/errors.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

using controls::DBNavigator;
using db::Dataset;

namespace {

class NavigatorTest : public ControlDatabase {
protected:
    void bind(const QString& statement)
    {
        data = query(statement, QStringLiteral("ADOQ_items"));
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_items"), data.get());
        navigator = std::make_unique<DBNavigator>();
        navigator->setDataSource(source.get());
    }
    // The enabled buttons, by name in bar order.
    QStringList enabled() const
    {
        QStringList names;
        for (const auto which : DBNavigator::kButtonOrder)
            if (navigator->button(which)->isEnabled())
                names << navigator->button(which)->objectName();
        return names;
    }
    void click(DBNavigator::NavigateButton which) { QTest::mouseClick(navigator->button(which), Qt::LeftButton); }

    std::unique_ptr<Dataset> data;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<DBNavigator> navigator;
};

const QStringList kMovement{"nbFirst", "nbPrior", "nbNext", "nbLast"};

TEST_F(NavigatorTest, ThreeRecordsBeginningIsAConditionOfTheDataset)
{
    bind(QStringLiteral("select * from items"));
    data->open();
    EXPECT_EQ(enabled(), QStringList({"nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbRefresh"}));
    click(DBNavigator::nbNext);
    click(DBNavigator::nbPrior);
    ASSERT_EQ(data->currentRow(), 0);
    // Back on the first record, but no move backwards has found nothing yet.
    EXPECT_TRUE(navigator->button(DBNavigator::nbFirst)->isEnabled());
    EXPECT_TRUE(navigator->button(DBNavigator::nbPrior)->isEnabled());
    click(DBNavigator::nbPrior);
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_FALSE(navigator->button(DBNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(navigator->button(DBNavigator::nbPrior)->isEnabled());
    click(DBNavigator::nbLast);
    EXPECT_EQ(data->currentRow(), 2);
    EXPECT_EQ(enabled().mid(0, 2), QStringList({"nbFirst", "nbPrior"}));
    EXPECT_FALSE(navigator->button(DBNavigator::nbNext)->isEnabled());
    EXPECT_FALSE(navigator->button(DBNavigator::nbLast)->isEnabled());
    click(DBNavigator::nbFirst);
    EXPECT_EQ(data->currentRow(), 0);
}

TEST_F(NavigatorTest, OneRecordJustOpenedStillOffersNextAndLast)
{
    bind(QStringLiteral("select * from items where id_item = 1"));
    data->open();
    EXPECT_EQ(enabled().mid(0, 2), QStringList({"nbNext", "nbLast"}));
    click(DBNavigator::nbNext);
    EXPECT_FALSE(navigator->button(DBNavigator::nbNext)->isEnabled());
}

TEST_F(NavigatorTest, ReadOnlyDatasetOffersOnlyMovement)
{
    bind(QStringLiteral("select * from items"));
    data->setLockType(Dataset::LockType::ReadOnly);
    data->open();
    EXPECT_EQ(enabled(), QStringList({"nbNext", "nbLast"}));
    click(DBNavigator::nbNext);
    EXPECT_EQ(enabled(), kMovement);
    // Switching the lock type is followed at once.
    data->setLockType(Dataset::LockType::Optimistic);
    EXPECT_TRUE(navigator->button(DBNavigator::nbInsert)->isEnabled());
}

TEST_F(NavigatorTest, InactiveOnDisabledSourceClosedDatasetOrDisabledNavigator)
{
    bind(QStringLiteral("select * from items"));
    EXPECT_TRUE(enabled().isEmpty()); // dataset closed
    data->open();
    click(DBNavigator::nbNext);
    const QStringList before = enabled();
    ASSERT_EQ(before.size(), 8);

    source->setEnabled(false);
    EXPECT_TRUE(enabled().isEmpty());
    source->setEnabled(true);
    EXPECT_EQ(enabled(), before);

    navigator->setEnabled(false);
    EXPECT_TRUE(enabled().isEmpty());
    navigator->setEnabled(true);
    EXPECT_EQ(enabled(), before);

    navigator->setDataSource(nullptr);
    EXPECT_TRUE(enabled().isEmpty());
    navigator->setDataSource(source.get());
    data->close();
    EXPECT_TRUE(enabled().isEmpty());
}

TEST_F(NavigatorTest, EditingStateAndEmptyDataset)
{
    bind(QStringLiteral("select * from items where id_item < 0"));
    data->open();
    EXPECT_EQ(enabled(), QStringList({"nbInsert", "nbEdit", "nbRefresh"}));
    click(DBNavigator::nbInsert);
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(enabled(), QStringList({"nbInsert", "nbDelete", "nbPost", "nbCancel", "nbRefresh"}));
    data->fieldByName("name").setAsString("new");
    click(DBNavigator::nbPost);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(scalar("select count(*) from items where name = 'new'").toInt(), 1);
    click(DBNavigator::nbEdit);
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    click(DBNavigator::nbCancel);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
}

TEST_F(NavigatorTest, InsertGoesBeforeTheCurrentRecord)
{
    bind(QStringLiteral("select * from items"));
    data->open();
    click(DBNavigator::nbNext);
    click(DBNavigator::nbInsert);
    EXPECT_EQ(data->currentRow(), 1);
    EXPECT_EQ(data->recordCount(), 4);
    EXPECT_EQ(data->fieldByName("name").displayTextAt(2), "beta");
}

TEST_F(NavigatorTest, DeleteAsksAndCancelKeepsTheRecord)
{
    bind(QStringLiteral("select * from items"));
    data->open();
    dialogs.plan(controls::Button::Cancel);
    click(DBNavigator::nbDelete);
    ASSERT_EQ(dialogs.messages().size(), 1);
    const controls::Message& question = dialogs.messages().first();
    EXPECT_EQ(question.text, "Delete record?");
    EXPECT_EQ(question.icon, controls::Icon::Question);
    EXPECT_EQ(question.buttons, QList<controls::Button>({controls::Button::Ok, controls::Button::Cancel}));
    EXPECT_EQ(data->recordCount(), 3);

    dialogs.plan(controls::Button::Ok);
    click(DBNavigator::nbDelete);
    EXPECT_EQ(data->recordCount(), 2);
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 2);

    navigator->setConfirmDelete(false);
    dialogs.clear();
    click(DBNavigator::nbDelete);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(data->recordCount(), 1);
}

// The question is a window of its own: once it has gone the focus is back
// on the navigator's Delete button, with or without a window manager.
TEST_F(NavigatorTest, AfterTheDeleteQuestionTheFocusIsBack)
{
    bind(QStringLiteral("select * from items"));
    data->open();
    navigator->show();
    QApplication::setActiveWindow(navigator.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(navigator.get()));
    navigator->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(navigator.get(), Qt::Key_Right);
    ASSERT_EQ(navigator->focusedButton(), DBNavigator::nbDelete);
    for (const auto box : {FakeDialogs::Box::WindowWithoutManager, FakeDialogs::Box::WindowWithManager}) {
        dialogs.box = box;
        dialogs.plan(controls::Button::Cancel);
        QTest::keyClick(navigator.get(), Qt::Key_Space);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), navigator.get());
        EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbDelete);
    }
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(data->recordCount(), 3);
}

TEST_F(NavigatorTest, RefusedPostReachesTheErrorDisplayAndKeepsTheRecord)
{
    bind(QStringLiteral("select * from items"));
    data->addBeforePost([](Dataset&) { throw db::DatabaseError(QStringLiteral("Refused by the server")); });
    data->open();
    navigator->show();
    click(DBNavigator::nbInsert);
    data->fieldByName("name").setAsString("kept");
    click(DBNavigator::nbPost);
    EXPECT_EQ(dialogs.texts(), QStringList({"Refused by the server"}));
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(data->fieldByName("name").asString(), "kept");
    EXPECT_TRUE(navigator->button(DBNavigator::nbPost)->isEnabled());
}

TEST_F(NavigatorTest, ArrowsMoveOverVisibleButtonsAndSpaceClicksOnlyEnabledOnes)
{
    bind(QStringLiteral("select * from items"));
    navigator->setVisibleButtons(DBNavigator::allButtons() & ~DBNavigator::NavigateButtons(DBNavigator::nbEdit)
                                 & ~DBNavigator::NavigateButtons(DBNavigator::nbRefresh));
    data->open();
    EXPECT_FALSE(navigator->button(DBNavigator::nbEdit)->isVisibleTo(navigator.get()));
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbFirst);
    QTest::keyClick(navigator.get(), Qt::Key_Space); // nbFirst is disabled: nothing
    EXPECT_EQ(data->currentRow(), 0);
    QTest::keyClick(navigator.get(), Qt::Key_Left); // stays at the first
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbFirst);
    QTest::keyClick(navigator.get(), Qt::Key_Right);
    QTest::keyClick(navigator.get(), Qt::Key_Right);
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbNext);
    QTest::keyClick(navigator.get(), Qt::Key_Space);
    EXPECT_EQ(data->currentRow(), 1);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(navigator.get(), Qt::Key_Right);
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbDelete);
    QTest::keyClick(navigator.get(), Qt::Key_Right); // nbEdit is hidden
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbPost);
    QTest::keyClick(navigator.get(), Qt::Key_Right);
    QTest::keyClick(navigator.get(), Qt::Key_Right); // nbRefresh is hidden: stays
    EXPECT_EQ(navigator->focusedButton(), DBNavigator::nbCancel);
}

TEST_F(NavigatorTest, HintsShowOnlyWhenSwitchedOn)
{
    bind(QStringLiteral("select * from items"));
    QStringList hints;
    for (int i = 1; i <= DBNavigator::kButtonCount; ++i)
        hints << QStringLiteral("hint %1").arg(i);
    navigator->setHints(hints);
    EXPECT_TRUE(navigator->button(DBNavigator::nbPost)->toolTip().isEmpty());
    navigator->setShowHint(true);
    EXPECT_EQ(navigator->button(DBNavigator::nbFirst)->toolTip(), "hint 1");
    EXPECT_EQ(navigator->button(DBNavigator::nbPost)->toolTip(), "hint 8");
    EXPECT_EQ(navigator->button(DBNavigator::nbRefresh)->toolTip(), "hint 10");
    navigator->setShowHint(false);
    EXPECT_TRUE(navigator->button(DBNavigator::nbFirst)->toolTip().isEmpty());
}

} // namespace
