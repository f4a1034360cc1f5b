#include "control_database.h"

#include "controls/db_lookup_combo_box.h"
#include "db/errors.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

using controls::DBLookupComboBox;

namespace {

class LookupBoxTest : public ControlDatabase {
protected:
    void SetUp() override
    {
        ControlDatabase::SetUp();
        DBLookupComboBox::setClock([this] { return now; });
        DBLookupComboBox::resetSearchTime();
        years = query(QStringLiteral("select * from years order by id_year"), QStringLiteral("ADOQ_year"));
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_year"), years.get());
        box = makeBox();
        years->open();
    }
    void TearDown() override
    {
        box.reset();
        DBLookupComboBox::setClock({});
        ControlDatabase::TearDown();
    }
    std::unique_ptr<DBLookupComboBox> makeBox()
    {
        auto made = std::make_unique<DBLookupComboBox>();
        made->setListSource(source.get());
        made->setKeyField(QStringLiteral("id_year"));
        made->setListField(QStringLiteral("title"));
        return made;
    }
    void typeAt(qint64 time, const QString& text, DBLookupComboBox* target = nullptr)
    {
        now = time;
        QTest::keyClicks(target ? target : box.get(), text);
    }

    qint64 now = 100000;
    std::unique_ptr<db::Dataset> years;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<DBLookupComboBox> box;
};

TEST_F(LookupBoxTest, KeyValueShowsItsRowAndChangesOnlyWhenDifferent)
{
    QSignalSpy changed(box.get(), &DBLookupComboBox::changed);
    QSignalSpy selected(box.get(), &DBLookupComboBox::selected);
    EXPECT_TRUE(box->keyValue().isNull());
    EXPECT_EQ(box->text(), "");
    box->setKeyValue(3);
    EXPECT_EQ(box->text(), "2010");
    EXPECT_EQ(changed.count(), 1);
    box->setKeyValue(3);
    box->setKeyValue(qlonglong(3));
    EXPECT_EQ(changed.count(), 1); // the same value raises nothing
    box->setKeyValue(QVariant());
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(box->text(), "");
    box->setKeyValue(QVariant());
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(selected.count(), 0); // the program's writes are no selections

    // 64-bit keys are told apart exactly, also where a double would round them together.
    sql("INSERT INTO years VALUES (9007199254740992, 'first'), (9007199254740993, 'second')");
    years->refresh();
    box->setKeyValue(qlonglong(9007199254740992));
    EXPECT_EQ(box->text(), "first");
    box->setKeyValue(qlonglong(9007199254740993));
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(box->text(), "second");
}

TEST_F(LookupBoxTest, FollowsItsListDatasetBeingReopened)
{
    box->setKeyValue(3);
    years->close();
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->keyValue().toInt(), 3);
    sql("UPDATE years SET title = '2010/11' WHERE id_year = 3");
    years->open();
    EXPECT_EQ(box->text(), "2010/11");
    EXPECT_EQ(box->keyValue().toInt(), 3);
}

TEST_F(LookupBoxTest, TypedCharactersSearchTogetherWithinTwoSeconds)
{
    QSignalSpy selected(box.get(), &DBLookupComboBox::selected);
    QSignalSpy changed(box.get(), &DBLookupComboBox::changed);
    typeAt(0, "2");
    EXPECT_EQ(box->keyValue().toInt(), 1); // 2008, the first in list order
    typeAt(500, "0");
    EXPECT_EQ(box->searchText(), "20");
    EXPECT_EQ(selected.count(), 2); // a match is a selection, also of the same entry
    EXPECT_EQ(changed.count(), 1);
    typeAt(1500, "1");
    EXPECT_EQ(box->text(), "2010");
    typeAt(3500, "9"); // exactly 2000 ms later: still one search
    EXPECT_EQ(box->text(), "2019");
    EXPECT_EQ(box->searchText(), "2019");

    typeAt(5501, "1"); // more than 2000 ms later: searched alone
    EXPECT_EQ(box->text(), "1999");
    EXPECT_EQ(box->searchText(), "1");
    const int selections = int(selected.count());
    typeAt(5600, "x"); // no match: nothing selected, the search text stays
    EXPECT_EQ(selected.count(), selections);
    EXPECT_EQ(box->searchText(), "1");
    EXPECT_EQ(box->text(), "1999");
}

TEST_F(LookupBoxTest, SearchIgnoresCaseAndFindsTextsPostedSince)
{
    sql("INSERT INTO years VALUES (6, 'Иванов'), (7, 'ivy')");
    years->refresh();
    now = 0;
    QTest::sendKeyEvent(QTest::Click, box.get(), Qt::Key_unknown, QStringLiteral("и"), Qt::NoModifier);
    EXPECT_EQ(box->keyValue().toInt(), 6);
    typeAt(5000, "I");
    EXPECT_EQ(box->keyValue().toInt(), 7);

    // A list row edited and posted is found by its new text, not its old.
    years->setCurrentRow(years->locate(QStringLiteral("id_year"), 4));
    years->edit();
    years->fieldByName(QStringLiteral("title")).setValue(QStringLiteral("1990"));
    years->post();
    typeAt(10000, "1");
    EXPECT_EQ(box->keyValue().toInt(), 4);
    EXPECT_EQ(box->text(), "1990");
    typeAt(15000, "201");
    EXPECT_EQ(box->text(), "2010");
}

TEST_F(LookupBoxTest, OneKeystrokeTimeIsSharedByAllLookupBoxes)
{
    auto other = makeBox();
    typeAt(0, "2");
    typeAt(1500, "1", other.get()); // the other box: "1" -> 1999
    EXPECT_EQ(other->text(), "1999");
    typeAt(3000, "0"); // 3000 ms after this box's last key, 1500 after any box's
    EXPECT_EQ(box->searchText(), "20");
}

// Typing into another box and coming back, or the list read again: the
// search text starts afresh instead of holding up what is typed now.
TEST_F(LookupBoxTest, SearchStartsAfreshOnFocusAndOnAReloadedList)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto first = makeBox();
    auto second = makeBox();
    layout->addWidget(first.get());
    layout->addWidget(second.get());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    typeAt(0, "2", first.get());
    second->setFocus();
    typeAt(300, "2", second.get());
    first->setFocus();
    typeAt(600, "1", first.get());
    EXPECT_EQ(first->text(), "1999");
    EXPECT_EQ(first->searchText(), "1");

    years->refresh();
    typeAt(900, "2", first.get());
    EXPECT_EQ(first->text(), "2008");
    first.reset();
    second.reset();
}

// A refused selection is shown once; the box keeps its value and, once the
// message box has gone, the focus, with or without a window manager.
TEST_F(LookupBoxTest, ARefusedSelectionIsShownAndTheFocusComesBack)
{
    box->setSelectionCheck([](const QVariant&) { throw db::DatabaseError(QStringLiteral("Not now")); });
    box->setKeyValue(2);
    box->show();
    QApplication::setActiveWindow(box.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    box->setFocus();
    for (const auto shown : {FakeDialogs::Box::WindowWithoutManager, FakeDialogs::Box::WindowWithManager}) {
        dialogs.box = shown;
        dialogs.clear();
        QTest::keyClick(box.get(), Qt::Key_Down);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), box.get());
        box->dropDown();
        QTest::keyClick(box->listView(), Qt::Key_Down);
        QTest::keyClick(box->listView(), Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), box.get());
        EXPECT_EQ(dialogs.texts(), QStringList({"Not now", "Not now"}));
        EXPECT_EQ(box->keyValue().toInt(), 2);
    }
}

TEST_F(LookupBoxTest, BackspaceEscapeAndTheLengthLimit)
{
    typeAt(0, "20");
    QTest::keyClick(box.get(), Qt::Key_Backspace);
    EXPECT_EQ(box->searchText(), "");
    typeAt(100, "20");
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_EQ(box->searchText(), "");

    sql("INSERT INTO years VALUES (9, '" + QString(40, u'a') + "')");
    years->refresh();
    typeAt(200, QString(36, u'a'));
    EXPECT_EQ(box->searchText(), QString(32, u'a'));
    EXPECT_EQ(box->keyValue().toInt(), 9);
}

TEST_F(LookupBoxTest, ArrowsWithTheListClosedSelectNeighbours)
{
    QSignalSpy selected(box.get(), &DBLookupComboBox::selected);
    QSignalSpy changed(box.get(), &DBLookupComboBox::changed);
    QTest::keyClick(box.get(), Qt::Key_Up); // nothing chosen: the first
    EXPECT_EQ(box->keyValue().toInt(), 1);
    QTest::keyClick(box.get(), Qt::Key_Down);
    QTest::keyClick(box.get(), Qt::Key_Down);
    EXPECT_EQ(box->keyValue().toInt(), 3);
    QTest::keyClick(box.get(), Qt::Key_Up);
    EXPECT_EQ(box->keyValue().toInt(), 2);
    EXPECT_EQ(selected.count(), 4);
    EXPECT_EQ(changed.count(), 4);
    box->setKeyValue(5);
    QTest::keyClick(box.get(), Qt::Key_Down); // at the end: the same entry again
    EXPECT_EQ(box->keyValue().toInt(), 5);
    EXPECT_EQ(selected.count(), 5);
    EXPECT_EQ(changed.count(), 5);
}

TEST_F(LookupBoxTest, TheOpenListSelectsByEnterClickOrAltArrowAndEscapeCancels)
{
    box->show();
    box->setKeyValue(2);
    QSignalSpy selected(box.get(), &DBLookupComboBox::selected);
    QSignalSpy changed(box.get(), &DBLookupComboBox::changed);
    QTest::keyClick(box.get(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(box->isListVisible());
    QListView* list = box->listView();
    EXPECT_EQ(list->model()->rowCount(), 5);
    EXPECT_EQ(list->currentIndex().row(), 1); // the shown entry is highlighted
    QTest::keyClick(list, Qt::Key_Return); // the entry already shown, selected again
    EXPECT_FALSE(box->isListVisible());
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(changed.count(), 0);

    box->dropDown();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(box->isListVisible());
    EXPECT_EQ(box->keyValue().toInt(), 2);
    EXPECT_EQ(selected.count(), 1);

    box->dropDown();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier); // closing accepts the highlighted entry
    EXPECT_FALSE(box->isListVisible());
    EXPECT_EQ(box->keyValue().toInt(), 3);
    EXPECT_EQ(selected.count(), 2);

    box->dropDown();
    const QRect item = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    EXPECT_FALSE(box->isListVisible());
    EXPECT_EQ(box->keyValue().toInt(), 1);
    EXPECT_EQ(selected.count(), 3);
    EXPECT_EQ(changed.count(), 2);
}

// As the grids' lookup cells: an empty picker's list takes its first entry
// on Enter, on closing, and on the first Down (the second goes on).
TEST_F(LookupBoxTest, WithNothingChosenTheOpenListTakesTheFirstEntry)
{
    box->show();
    QListView* list = box->listView();
    QSignalSpy selected(box.get(), &DBLookupComboBox::selected);
    const auto openEmpty = [&] {
        box->setKeyValue(QVariant());
        QTest::keyClick(box.get(), Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(box->isListVisible());
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_TRUE(list->selectionModel()->isSelected(list->currentIndex())); // shown highlighted
    };
    openEmpty();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(box->isListVisible());
    EXPECT_EQ(box->keyValue().toInt(), 1);

    openEmpty();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(box->keyValue().toInt(), 1);

    openEmpty();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(box->keyValue().toInt(), 2);

    openEmpty();
    QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(box->keyValue().toInt(), 1);

    openEmpty();
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(box->keyValue().isNull());
    EXPECT_EQ(selected.count(), 4);

    // A chosen entry is not the first one offered: Down goes on from it.
    box->setKeyValue(3);
    box->dropDown();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(box->keyValue().toInt(), 4);
}

TEST_F(LookupBoxTest, KeyPressesAreReportedWithoutBeingConsumed)
{
    box->setKeyValue(2);
    int pressed = 0;
    // A window's rule may empty the box on Escape; the box still handles the key.
    QObject::connect(box.get(), &DBLookupComboBox::keyPressed, box.get(), [&](QKeyEvent* event) {
        ++pressed;
        if (event->key() == Qt::Key_Escape)
            box->setKeyValue(QVariant());
    });
    typeAt(0, "2");
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_EQ(pressed, 2);
    EXPECT_TRUE(box->keyValue().isNull());
    EXPECT_EQ(box->searchText(), "");
}

} // namespace
