#include "control_database.h"

#include "controls/db_memo.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using controls::DBMemo;
using db::Dataset;

namespace {

class MemoTest : public ControlDatabase {
protected:
    void bind(const QString& statement)
    {
        data = query(statement, QStringLiteral("ADOQ_notes"));
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_notes"), data.get());
        memo = std::make_unique<DBMemo>();
        memo->setDataSource(source.get());
        memo->setDataField(QStringLiteral("note"));
    }
    void type(const QString& text) { QTest::keyClicks(memo.get(), text); }

    std::unique_ptr<Dataset> data;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<DBMemo> memo;
};

TEST_F(MemoTest, TakesNoTypingWhileTheDatasetIsClosedButReportsKeyReleases)
{
    bind(QStringLiteral("select * from items"));
    QSignalSpy released(memo.get(), &DBMemo::keyReleased);
    EXPECT_FALSE(memo->isActive());
    EXPECT_TRUE(memo->isReadOnly());
    type("abc");
    EXPECT_EQ(memo->toPlainText(), "");
    EXPECT_EQ(released.count(), 3);
    // A release whose press went elsewhere (the Enter that closed a box).
    QTest::sendKeyEvent(QTest::Release, memo.get(), Qt::Key_Return, QString(), Qt::NoModifier);
    EXPECT_EQ(released.count(), 3);
    data->open();
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(memo->toPlainText(), "first");
    source->setEnabled(false);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->toPlainText(), "");
}

TEST_F(MemoTest, TypingEditsTheRecordAndWritesTheField)
{
    bind(QStringLiteral("select * from items"));
    data->open();
    memo->moveCursor(QTextCursor::End);
    type("X");
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(data->fieldByName("note").asString(), "firstX");
    EXPECT_EQ(scalar("select note from items where id_item = 1").toString(), "first"); // nothing posted

    // Typing in the middle keeps the cursor where the user is.
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(2);
    memo->setTextCursor(cursor);
    type("Z");
    EXPECT_EQ(memo->toPlainText(), "fiZrstX");
    EXPECT_EQ(memo->textCursor().position(), 3);

    // No more than the field's size is taken.
    memo->moveCursor(QTextCursor::End);
    type("123456789");
    EXPECT_EQ(data->fieldByName("note").asString(), "fiZrstX12345");
    EXPECT_EQ(memo->toPlainText(), "fiZrstX12345");
    data->post();
    EXPECT_EQ(scalar("select note from items where id_item = 1").toString(), "fiZrstX12345");
    // Nor half of a character written in two UTF-16 units.
    memo->selectAll();
    memo->insertPlainText(QStringLiteral("fiZrstX1234😀"));
    EXPECT_EQ(data->fieldByName("note").asString(), "fiZrstX1234");
    EXPECT_EQ(memo->toPlainText(), "fiZrstX1234");
    data->cancel();

    // It follows the current record.
    data->next();
    EXPECT_EQ(memo->toPlainText(), "");
    data->next();
    EXPECT_EQ(memo->toPlainText(), "third");
}

// A record's text is shown whole and from its start, the scroll bar follows
// its length, and loading it is no step the user can undo: for a text of
// one long paragraph, a short one and several paragraphs, in both
// directions.
TEST_F(MemoTest, EachRecordsTextIsShownWholeFromItsStart)
{
    bind(QStringLiteral("select id_item, case id_item "
                        "when 1 then replace(hex(zeroblob(300)), '00', 'слово ') "
                        "when 2 then 'коротко' "
                        "else replace(hex(zeroblob(40)), '00', 'строка' || char(10)) end as note "
                        "from items order by id_item"));
    memo->resize(120, 60);
    memo->show();
    data->open();
    QApplication::processEvents();
    const QString longText = QString(QStringLiteral("слово ")).repeated(300);
    EXPECT_EQ(memo->toPlainText(), longText);
    const int longRange = memo->verticalScrollBar()->maximum();
    EXPECT_GT(longRange, 10);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(memo->document()->isUndoAvailable());

    data->next();
    QApplication::processEvents();
    EXPECT_EQ(memo->toPlainText(), "коротко");
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(memo->document()->isUndoAvailable());

    data->next();
    QApplication::processEvents();
    EXPECT_EQ(memo->toPlainText(), QString(QStringLiteral("строка\n")).repeated(40));
    EXPECT_GT(memo->verticalScrollBar()->maximum(), 10);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);

    data->first();
    QApplication::processEvents();
    EXPECT_EQ(memo->toPlainText(), longText);
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), longRange);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(memo->document()->isUndoAvailable());
}

TEST_F(MemoTest, ReadOnlyDatasetTakesNoTyping)
{
    bind(QStringLiteral("select * from items"));
    data->setLockType(Dataset::LockType::ReadOnly);
    data->open();
    type("X");
    EXPECT_EQ(memo->toPlainText(), "first");
    EXPECT_EQ(data->state(), Dataset::State::Browse);
}

TEST_F(MemoTest, KeyReleasePostingInsertsOneRowThenUpdatesIt)
{
    bind(QStringLiteral("select * from items where id_item < 0"));
    data->open();
    QObject::connect(memo.get(), &DBMemo::keyReleased, memo.get(), [this] {
        data->edit();
        data->post();
    });
    type("a");
    EXPECT_EQ(data->recordCount(), 1);
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 4);
    type("bc");
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 4);
    EXPECT_EQ(scalar("select note from items where id_item = 4").toString(), "abc");
    EXPECT_EQ(memo->toPlainText(), "abc");
}

} // namespace
