#include "control_database.h"

#include "controls/db_grid.h"
#include "controls/find_dialog.h"
#include "db/errors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QAction>
#include <QScrollBar>
#include <QTest>

using controls::DBGridEh;
using controls::GridColumn;
using db::Dataset;

namespace {

GridColumn column(const QString& field, const QString& title, int width = 100)
{
    GridColumn c;
    c.fieldName = field;
    c.title = title;
    c.width = width;
    return c;
}

class GridTest : public ControlDatabase {
protected:
    void SetUp() override
    {
        ControlDatabase::SetUp();
        kinds = query(QStringLiteral("select * from kinds"), QStringLiteral("ADOQ_kinds"));
        data = query(QStringLiteral("select * from items"), QStringLiteral("ADOQ_items"));
        db::FieldDefinition key;
        key.name = "id_item";
        key.type = db::FieldType::AutoIncrement;
        data->addField(key);
        db::FieldDefinition kind;
        kind.name = "id_kind";
        kind.type = db::FieldType::Integer;
        data->addField(kind);
        db::FieldDefinition name;
        name.name = "name";
        name.type = db::FieldType::String;
        name.size = 20;
        data->addField(name);
        db::FieldDefinition amount;
        amount.name = "amount";
        amount.type = db::FieldType::Integer;
        amount.minimum = 1;
        amount.maximum = 100;
        data->addField(amount);
        data->addLookupField(QStringLiteral("kind"), QStringLiteral("id_kind"), kinds.get(), QStringLiteral("id_kind"),
                             QStringLiteral("title"), 20);
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_items"), data.get());

        window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        grid = new DBGridEh(window.get());
        elsewhere = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(elsewhere);
        grid->setColumns({column("name", "Name", 120), column("amount", "Amount", 60), column("kind", "Kind", 120)});
        grid->setDataSource(source.get());
        window->resize(700, 300);
    }
    void TearDown() override
    {
        window.reset();
        ControlDatabase::TearDown();
    }
    void showAndFocus()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus();
        QCoreApplication::processEvents();
    }
    // Types into whatever has the focus, as a user would.
    static void type(const QString& text)
    {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void clickCell(int row, int col, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect cell = grid->visualRect(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
        QCoreApplication::processEvents();
    }
    QString dbName(int id) const { return scalar(QStringLiteral("select name from items where id_item = %1").arg(id)).toString(); }

    std::unique_ptr<Dataset> kinds;
    std::unique_ptr<Dataset> data;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<QWidget> window;
    DBGridEh* grid = nullptr;
    QLineEdit* elsewhere = nullptr;
};

TEST_F(GridTest, ReadsRowsThroughTheDatasetAndFollowsItsCurrentRecord)
{
    data->open();
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->cellText(1, 0), "beta");
    EXPECT_EQ(grid->cellText(2, 2), "Тезисы"); // the lookup shows the kind's title
    data->last();
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(grid->rowMark(2), DBGridEh::RowMark::Browse);
    EXPECT_EQ(grid->rowMark(0), DBGridEh::RowMark::None);

    showAndFocus();
    clickCell(1, 1);
    EXPECT_EQ(data->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);

    // A changed row elsewhere shows at once.
    data->edit();
    data->fieldByName("name").setAsString("changed");
    EXPECT_EQ(grid->cellText(1, 0), "changed");
    EXPECT_EQ(grid->rowMark(1), DBGridEh::RowMark::Edit);
    data->cancel();
    data->insert();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->rowMark(1), DBGridEh::RowMark::Insert);
}

TEST_F(GridTest, InactiveOnADisabledSourceOrClosedDataset)
{
    EXPECT_EQ(grid->model()->rowCount(), 0);
    data->open();
    EXPECT_EQ(grid->model()->rowCount(), 3);
    source->setEnabled(false);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    source->setEnabled(true);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_TRUE(grid->model()->index(0, 0).flags() & Qt::ItemIsEditable);
    data->close();
    data->setLockType(Dataset::LockType::ReadOnly);
    data->open();
    EXPECT_FALSE(grid->model()->index(0, 0).flags() & Qt::ItemIsEditable);
}

TEST_F(GridTest, TypingEditsTheRecordAndLeavingTheRowPostsIt)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 0);
    type("zeta");
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(grid->rowMark(0), DBGridEh::RowMark::Edit);
    EXPECT_EQ(dbName(1), "alpha");
    press(Qt::Key_Down);
    EXPECT_EQ(data->currentRow(), 1);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(dbName(1), "zeta");
    EXPECT_EQ(grid->cellText(0, 0), "zeta");
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

// The rows read again on another statement (another teacher's): the text
// typed into the open editor goes with the unsent record, and is neither
// posted nor put into the new rows; the grid shows them from the first.
TEST_F(GridTest, RowsReadAgainOnAnotherStatementDropTheOpenEditorsText)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(1, 0);
    type("zeta");
    ASSERT_NE(grid->cellEditor(), nullptr);
    data->requery(QStringLiteral("select * from items where id_item <> 2 order by id_item desc"));
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->cellText(0, 0), "gamma");
    EXPECT_EQ(grid->cellText(1, 2), "Статья"); // lookups still resolved
    press(Qt::Key_Down);
    EXPECT_EQ(data->currentRow(), 1);
    EXPECT_EQ(dbName(2), "beta");
    EXPECT_EQ(dbName(3), "gamma");
    EXPECT_EQ(grid->cellText(0, 0), "gamma");
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

// Rows read again in every direction (more, fewer, none, the same number, as
// another order): the grid shows the new rows from the top, on the dataset's
// current record in the first column, with only that record selected, and an
// always-shown editor on the new current cell.
TEST_F(GridTest, RowsReadAgainShowFromTheTopOnTheCurrentRecord)
{
    for (int n = 4; n <= 60; ++n)
        connection->execute(QStringLiteral("insert into items (id_kind, name, amount) values (1, 'item %1', %1)").arg(n));
    grid->setOptions(grid->options() | DBGridEh::dgMultiSelect | DBGridEh::dgAlwaysShowEditor);
    data->setSql(QStringLiteral("select * from items where id_item <= 3"));
    data->open();
    showAndFocus();
    const auto readAgain = [this](const QString& where) {
        data->requery(QStringLiteral("select * from items ") + where);
        QCoreApplication::processEvents();
    };
    const auto editorText = [this] {
        const auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
        return editor ? editor->text() : QStringLiteral("<no editor>");
    };
    grid->setCurrentCell(2, 1);
    for (const int row : {1, 2})
        grid->selectionModel()->select(grid->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 2);

    readAgain(QStringLiteral("where id_item > 1 order by id_item")); // 3 rows -> 59
    EXPECT_EQ(grid->model()->rowCount(), 59);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
    EXPECT_EQ(grid->cellText(0, 0), "beta");
    EXPECT_EQ(grid->cellText(58, 0), "item 60");
    EXPECT_EQ(grid->selectionModel()->selectedRows(), QModelIndexList({grid->model()->index(0, 0)}));
    EXPECT_EQ(editorText(), "beta");

    // Scrolled down with the bar only: the current record stays the first.
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    ASSERT_GT(grid->verticalScrollBar()->value(), 0);
    readAgain(QStringLiteral("where id_item > 2 order by id_item desc")); // the same number, less one
    EXPECT_EQ(grid->model()->rowCount(), 58);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid->cellText(0, 0), "item 60");
    EXPECT_EQ(grid->cellText(57, 0), "gamma");
    EXPECT_EQ(editorText(), "item 60");

    // From far down the rows to fewer rows than that.
    grid->setCurrentCell(40, 1);
    ASSERT_EQ(data->currentRow(), 40);
    readAgain(QStringLiteral("where id_item in (1, 3) order by id_item"));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
    EXPECT_EQ(grid->cellText(1, 0), "gamma");
    EXPECT_EQ(grid->cellText(1, 2), "Тезисы");
    EXPECT_EQ(grid->selectionModel()->selectedRows(), QModelIndexList({grid->model()->index(0, 0)}));
    EXPECT_EQ(editorText(), "alpha");

    readAgain(QStringLiteral("where id_item < 0"));
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_FALSE(grid->currentIndex().isValid());
    EXPECT_EQ(grid->cellEditor(), nullptr);

    readAgain(QStringLiteral("where id_item in (2, 3) order by id_item desc"));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->cellText(0, 0), "gamma");
    EXPECT_EQ(editorText(), grid->cellText(0, grid->currentColumn()));

    // Sorted again on the current record: the grid goes with it.
    data->setCurrentRow(1);
    data->setSort(QStringLiteral("name"));
    EXPECT_EQ(grid->cellText(0, 0), "beta");
    EXPECT_EQ(grid->currentIndex().row(), data->currentRow());
    EXPECT_EQ(grid->cellText(grid->currentIndex().row(), 0), data->fieldByName("name").asString());

    // Refreshed after another user deleted the row before the current one:
    // the grid is on the record the dataset keeps, in the first column.
    grid->setCurrentCell(1, 1);
    ASSERT_EQ(data->fieldByName("name").asString(), "gamma");
    connection->execute(QStringLiteral("delete from items where id_item = 2"));
    data->refresh();
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
    EXPECT_EQ(grid->cellText(0, 0), "gamma");
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(GridTest, ARefusedValueIsShownAndTheRecordStays)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 1);
    type("500");
    press(Qt::Key_Down);
    EXPECT_EQ(dialogs.texts(), QStringList({"500 is not a valid value for field 'amount'. The allowed range is 1 to 100"}));
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(scalar("select amount from items where id_item = 1").toInt(), 10);

    // Any view over the model: the refusal is shown, and the write is not done.
    dialogs.clear();
    bool written = true;
    EXPECT_NO_THROW(written = grid->model()->setData(grid->model()->index(0, 1), QStringLiteral("0")));
    EXPECT_FALSE(written);
    EXPECT_EQ(dialogs.texts(), QStringList({"0 is not a valid value for field 'amount'. The allowed range is 1 to 100"}));
    EXPECT_TRUE(grid->model()->setData(grid->model()->index(0, 1), QStringLiteral("42")));
    EXPECT_EQ(data->fieldByName("amount").value().toInt(), 42);
}

// A message box is a window of its own that takes the focus while it is
// shown. Afterwards the focus is back in the same cell, with its editor, with
// or without a window manager to activate the grid's window again; and a
// refused value is shown once, its text kept in the cell.
TEST_F(GridTest, AfterAMessageTheFocusIsBackInTheSameCellAndARefusalShowsOnce)
{
    grid->setOptions(grid->options() | DBGridEh::dgAlwaysShowEditor);
    data->open();
    showAndFocus();
    for (const auto box : {FakeDialogs::Box::WindowWithoutManager, FakeDialogs::Box::WindowWithManager}) {
        dialogs.box = box;
        const int records = data->recordCount();
        grid->setCurrentCell(0, 0);
        dialogs.plan(controls::Button::Cancel);
        press(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(data->recordCount(), records);
        ASSERT_NE(grid->cellEditor(), nullptr);
        ASSERT_EQ(QApplication::focusWidget(), grid->cellEditor());
        press(Qt::Key_Down);
        EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));

        dialogs.clear();
        grid->setCurrentCell(1, 1);
        type("500");
        press(Qt::Key_Tab);
        EXPECT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 1));
        const auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), "500");
        ASSERT_EQ(QApplication::focusWidget(), editor);
        press(Qt::Key_Escape);
        press(Qt::Key_Escape);
        EXPECT_EQ(data->state(), Dataset::State::Browse);

        // Deleting closes the cell's editor: the focus stays in the grid.
        dialogs.plan(controls::Button::Ok);
        press(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(data->recordCount(), records - 1);
        EXPECT_TRUE(grid->hasFocusInside());
        EXPECT_EQ(QApplication::focusWidget(), grid->cellEditor());
    }
}

TEST_F(GridTest, ARefusedPostIsShownAndKeepsTheUsersValues)
{
    data->addBeforePost([](Dataset&) { throw db::DatabaseError(QStringLiteral("Server says no")); });
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 0);
    type("kept");
    press(Qt::Key_Down);
    EXPECT_EQ(dialogs.texts(), QStringList({"Server says no"}));
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(data->fieldByName("name").asString(), "kept");
    EXPECT_EQ(dbName(1), "alpha");
}

TEST_F(GridTest, LeavingAnUntouchedNewRecordCancelsIt)
{
    data->open();
    showAndFocus();
    press(Qt::Key_Insert);
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 3);
}

TEST_F(GridTest, LeavingATypedRecordOnlyTakesTheTextIntoTheField)
{
    data->open();
    showAndFocus();
    press(Qt::Key_Insert);
    type("delta");
    EXPECT_EQ(data->fieldByName("name").asString(), ""); // still in the editor
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(data->fieldByName("name").asString(), "delta");
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 3); // not posted

    // Without cancel-on-exit an untouched new record stays.
    data->cancel();
    grid->setOptions(grid->options() & ~DBGridEh::Options(DBGridEh::dgCancelOnExit));
    grid->setFocus();
    press(Qt::Key_Insert);
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(data->state(), Dataset::State::Insert);
}

TEST_F(GridTest, CtrlDeleteAsksAndDeletesTheCurrentRecord)
{
    data->open();
    showAndFocus();
    clickCell(1, 0);
    dialogs.plan(controls::Button::Cancel);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts(), QStringList({"Delete record?"}));
    EXPECT_EQ(dialogs.messages().first().icon, controls::Icon::Question);
    EXPECT_EQ(data->recordCount(), 3);
    dialogs.plan(controls::Button::Ok);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(data->recordCount(), 2);
    EXPECT_EQ(scalar("select count(*) from items where name = 'beta'").toInt(), 0);

    // A read-only grid deletes nothing and asks nothing.
    dialogs.clear();
    grid->setReadOnly(true);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(data->recordCount(), 2);
}

TEST_F(GridTest, MultiSelectDeletesEverySelectedRowAfterOneQuestion)
{
    grid->setOptions(grid->options() | DBGridEh::dgMultiSelect);
    data->open();
    showAndFocus();
    clickCell(0, 0);
    clickCell(2, 0, Qt::ControlModifier);
    ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 2);
    dialogs.plan(controls::Button::Ok);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts(), QStringList({"Delete all selected records?"}));
    EXPECT_EQ(data->recordCount(), 1);
    EXPECT_EQ(grid->cellText(0, 0), "beta");
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 1);
}

TEST_F(GridTest, MultiSelectWithOneSelectedRowAsksForOneRecord)
{
    grid->setOptions(grid->options() | DBGridEh::dgMultiSelect);
    data->open();
    showAndFocus();
    clickCell(2, 0);
    ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 1);
    dialogs.plan(controls::Button::Ok);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts(), QStringList({"Delete record?"}));
    EXPECT_EQ(scalar("select count(*) from items where name = 'gamma'").toInt(), 0);
    EXPECT_EQ(data->recordCount(), 2);
}

TEST_F(GridTest, LookupColumnWritesTheChosenRowsKey)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 2);
    press(Qt::Key_Down, Qt::AltModifier); // opens the list; the row stays
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    auto* combo = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->view()->isVisible());
    combo->hidePopup();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentText(), "Статья");
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(data->fieldByName("id_kind").value().toInt(), 3);
    EXPECT_EQ(grid->cellText(0, 2), "Тезисы");
    data->post();
    EXPECT_EQ(scalar("select id_kind from items where id_item = 1").toInt(), 3);

    // On a new row nothing is chosen yet: the first Down highlights the first entry.
    press(Qt::Key_Insert);
    grid->setCurrentCell(data->currentRow(), 2);
    press(Qt::Key_Down, Qt::AltModifier);
    combo = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(data->fieldByName("id_kind").value().toInt(), 1);
}

TEST_F(GridTest, ReadOnlyColumnAndFieldsAreNotEditable)
{
    GridColumn readOnly = grid->column(0);
    readOnly.readOnly = true;
    grid->setColumn(0, readOnly);
    data->open();
    EXPECT_FALSE(grid->model()->index(0, 0).flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->model()->index(0, 1).flags() & Qt::ItemIsEditable);
    showAndFocus();
    grid->setCurrentCell(0, 0);
    type("x");
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->cellEditor(), nullptr);
}

TEST_F(GridTest, TabMovesBetweenCellsAndAppendsAtTheEnd)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(2, 1);
    press(Qt::Key_Tab);
    EXPECT_EQ(grid->currentColumn(), 2);
    press(Qt::Key_Tab); // past the last cell: a new record
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(data->currentRow(), 3);
    EXPECT_EQ(grid->currentColumn(), 0);
    press(Qt::Key_Backtab); // back into the last row: the untouched new record goes
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(data->recordCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(grid->currentColumn(), 2);

    // Enter as Tab, and Tab leaving the grid without dgTabs.
    grid->setOptionsEh(grid->optionsEh() | DBGridEh::dghEnterAsTab);
    grid->setCurrentCell(0, 0);
    type("omega");
    press(Qt::Key_Return);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(data->fieldByName("name").asString(), "omega");
    grid->setOptions(grid->options() & ~DBGridEh::Options(DBGridEh::dgTabs));
    press(Qt::Key_Tab);
    EXPECT_TRUE(elsewhere->hasFocus());
}

// Ctrl+Tab and Ctrl+Shift+Tab leave the grid, as in any toolkit; Ctrl+Home
// and Ctrl+End go to the first and last record, also from an open editor.
TEST_F(GridTest, CtrlTabLeavesTheGridAndCtrlHomeOrEndGoesToTheFirstOrLastRecord)
{
    auto* before = new QLineEdit(window.get());
    QWidget::setTabOrder(before, grid);
    QWidget::setTabOrder(grid, elsewhere);
    grid->setOptions(grid->options() | DBGridEh::dgAlwaysShowEditor);
    data->open();
    showAndFocus();
    grid->setCurrentCell(1, 1);
    ASSERT_EQ(QApplication::focusWidget(), grid->cellEditor());
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(2, 1));
    EXPECT_EQ(data->currentRow(), 2);
    type("7");
    press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 1));
    EXPECT_EQ(scalar("select amount from items where id_item = 3").toInt(), 7);

    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);
    grid->setFocus();
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), before);
    grid->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 2));
}

TEST_F(GridTest, EnterTakesTheTextAndEscapeUndoesTheEditorThenTheRecord)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 0);
    type("omega");
    press(Qt::Key_Return); // into the field, not posted; the editor closes
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(data->fieldByName("name").asString(), "omega");
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(dbName(1), "alpha");

    type("x");
    press(Qt::Key_Escape); // the editor's text goes, the record's change stays
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    EXPECT_EQ(data->fieldByName("name").asString(), "omega");
    press(Qt::Key_Escape);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->cellText(0, 0), "alpha");

    // Typing alone changed nothing else: one Escape ends both.
    type("x");
    press(Qt::Key_Escape);
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(data->state(), Dataset::State::Browse);

    // A new row is the user's own doing: the first Escape takes back the text, the second the row.
    press(Qt::Key_Insert);
    type("new");
    press(Qt::Key_Escape);
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(data->state(), Dataset::State::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    press(Qt::Key_Escape);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(scalar("select count(*) from items").toInt(), 3);
}

// A refusal while the view moves its current row stops at the grid: the view
// goes on following its current row (it scrolls to it) afterwards.
TEST_F(GridTest, ARefusedRowChangeLeavesTheGridScrollingToItsCurrentRow)
{
    for (int i = 0; i < 40; ++i)
        sql("INSERT INTO items (name, amount) VALUES ('more', 1)");
    bool refuse = true;
    data->addBeforePost([&refuse](Dataset&) {
        if (refuse)
            throw db::DatabaseError(QStringLiteral("Server says no"));
    });
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 0);
    type("kept");
    clickCell(1, 0);
    EXPECT_EQ(dialogs.texts(), QStringList({"Server says no"}));
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_TRUE(grid->hasAutoScroll());

    refuse = false;
    for (int i = 0; i < 30; ++i)
        press(Qt::Key_Down);
    EXPECT_EQ(data->currentRow(), 30);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex())));
    EXPECT_EQ(dbName(1), "kept");
}

TEST_F(GridTest, NavigatorPostTakesTheOpenEditorsText)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(1, 0);
    type("typed");
    data->post(); // what the navigator's post button does
    EXPECT_EQ(dbName(2), "typed");
}

// Typing past the column's size is refused once, in the field's words; the
// text keeps its full size, and a text short of it takes the character.
TEST_F(GridTest, ATextLongerThanItsColumnIsRefusedOnce)
{
    data->open();
    showAndFocus();
    grid->setCurrentCell(0, 0);
    press(Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    type(QString(19, QLatin1Char('a')));
    type("b");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(editor->text(), QString(19, QLatin1Char('a')) + "b");
    type("cd");
    EXPECT_EQ(dialogs.texts(), QStringList({"The text is too long for field 'name': it holds at most 20 characters"}));
    EXPECT_EQ(editor->text().size(), 20);
    ASSERT_EQ(QApplication::focusWidget(), editor);
    // Text selected is replaced: that fits.
    editor->setSelection(0, 1);
    type("z");
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(editor->text().startsWith("z"));
    press(Qt::Key_Return);
    EXPECT_EQ(data->fieldByName("name").value().toString().size(), 20);
}

// A right click on the open editor shows the grid's own menu, as on every
// other cell, and leaves the editor's text as it was.
TEST_F(GridTest, TheGridsMenuServesItsOpenEditor)
{
    auto* gridAction = new QAction(QStringLiteral("Копировать"), grid);
    grid->addAction(gridAction);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    data->open();
    showAndFocus();
    const auto menuOn = [](QWidget* target) {
        QList<QAction*> shown;
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, &shown] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = menu->actions();
                menu->close();
                poll->stop();
                poll->deleteLater();
            }
        });
        poll->start(10);
        const QPoint at(target->width() / 2, target->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        static_cast<void>(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 2000));
        return shown;
    };
    EXPECT_EQ(menuOn(grid->viewport()), QList<QAction*>{gridAction});
    grid->setCurrentCell(1, 0);
    press(Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(editor, nullptr);
    const QString text = editor->text();
    EXPECT_EQ(menuOn(editor), QList<QAction*>{gridAction});
    EXPECT_EQ(editor->text(), text);
    EXPECT_EQ(grid->cellEditor(), editor);
}

// The focused cell stands out from the rest of its row, also when the whole
// row is selected (and highlighted) in a multi-select grid.
TEST_F(GridTest, TheCurrentCellShowsInASelectedRow)
{
    grid->setOptions(grid->options() | DBGridEh::dgMultiSelect);
    data->open();
    showAndFocus();
    const auto standsOut = [this](int row, int column, int neighbour) {
        const QImage picture = grid->viewport()->grab().toImage();
        const QRect cell = grid->visualRect(grid->model()->index(row, column)).adjusted(0, 0, -1, -1);
        const QRect other = grid->visualRect(grid->model()->index(row, neighbour)).adjusted(0, 0, -1, -1);
        // Along the cell's edges, where no text is drawn.
        for (int x = 2; x < std::min(cell.width(), other.width()) - 2; ++x)
            for (const int y : {0, cell.height() - 1})
                if (picture.pixel(cell.left() + x, cell.top() + y) != picture.pixel(other.left() + x, other.top() + y))
                    return true;
        return false;
    };
    grid->setCurrentCell(1, 1);
    EXPECT_TRUE(standsOut(1, 1, 2));
    grid->selectionModel()->select(grid->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(1, 2)));
    EXPECT_TRUE(standsOut(1, 1, 2));
    EXPECT_TRUE(standsOut(1, 1, 0));
    EXPECT_FALSE(standsOut(1, 0, 2)); // the rest of the row is alike
}

TEST_F(GridTest, AlwaysShowEditorOpensTheFocusedCell)
{
    grid->setOptions(grid->options() | DBGridEh::dgAlwaysShowEditor);
    data->open();
    showAndFocus();
    grid->setCurrentCell(1, 1);
    EXPECT_NE(qobject_cast<QLineEdit*>(grid->cellEditor()), nullptr);
    EXPECT_EQ(data->state(), Dataset::State::Browse); // opening is not editing
    press(Qt::Key_Up);
    EXPECT_EQ(data->currentRow(), 0);
    EXPECT_NE(grid->cellEditor(), nullptr);
}

TEST_F(GridTest, TwoLevelTitlesShareTheUpperCell)
{
    grid->setColumns({column("name", "Name"), column("amount", "Figures|Amount"), column("kind", "Figures|Kind")});
    const int singleHeight = grid->horizontalHeader()->sizeHint().height();
    grid->setUseMultiTitle(true);
    EXPECT_EQ(grid->columnLayout().titleRows(), 2);
    using controls::grid_layout::TitleCell;
    EXPECT_EQ(grid->columnLayout().titleCells(), QList<TitleCell>({{0, 2, 0, 0, "Name"},
                                                    {0, 1, 1, 2, "Figures"},
                                                    {1, 1, 1, 1, "Amount"},
                                                    {1, 1, 2, 2, "Kind"}}));
    EXPECT_EQ(grid->horizontalHeader()->sizeHint().height(), 2 * singleHeight);
    grid->setUseMultiTitle(false);
    EXPECT_EQ(grid->columnLayout().titleRows(), 1);
}

TEST_F(GridTest, AutoFitFillsTheVisibleWidthExactly)
{
    grid->setColumns({column("name", "A", 145), column("amount", "B", 124), column("kind", "C", 843),
                      column("id_kind", "D", 174), column("id_item", "E", 146)});
    grid->setAutoFitColWidths(true);
    data->open();
    window->resize(1465 + 200, 300);
    showAndFocus();
    auto sectionsTotal = [&] {
        int total = 0;
        for (int i = 0; i < 5; ++i)
            total += grid->horizontalHeader()->sectionSize(i);
        return total;
    };
    EXPECT_EQ(sectionsTotal(), grid->viewport()->width());
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    const double scale = double(grid->viewport()->width() - 5) / 1432;
    EXPECT_NEAR(grid->horizontalHeader()->sectionSize(2) - 1, 843 * scale, 0.5);
    window->resize(900, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(sectionsTotal(), grid->viewport()->width());

    // Dragging a border rescales that column's base and takes from the next.
    grid->horizontalHeader()->resizeSection(0, grid->horizontalHeader()->sectionSize(0) + 10);
    EXPECT_EQ(sectionsTotal(), grid->viewport()->width());
    EXPECT_GT(grid->columnLayout().baseWidths()[0], 145);
    EXPECT_EQ(grid->columnLayout().baseWidths()[0] + grid->columnLayout().baseWidths()[1], 145 + 124);
    EXPECT_EQ(grid->columnLayout().baseWidths()[2], 843);
}

TEST_F(GridTest, DoubleClickFitsAndCtrlFOpensTheFindDialog)
{
    data->open();
    const int needed = grid->optimalColumnWidth(0);
    EXPECT_GT(needed, grid->fontMetrics().horizontalAdvance(QStringLiteral("alpha")));
    grid->fitColumnToContents(0);
    EXPECT_EQ(grid->column(0).width, needed);

    // A double click on a title border fits that column, only with the option.
    showAndFocus();
    QHeaderView* titles = grid->horizontalHeader();
    grid->setColumn(1, column("amount", "Amount", 200));
    const QPoint border(titles->sectionViewportPosition(1) + titles->sectionSize(1) - 1, 4);
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, border);
    EXPECT_EQ(grid->column(1).width, 200);
    grid->setOptionsEh(grid->optionsEh() | DBGridEh::dghDblClickOptimizeColWidth);
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, border);
    EXPECT_EQ(grid->column(1).width, grid->optimalColumnWidth(1));
    EXPECT_LT(grid->column(1).width, 200);

    press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(controls::FindDialog::exists());
    controls::FindDialog* dialog = controls::FindDialog::instance();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->grid(), grid);
    // Closed, it gives the focus back to the grid, with or without a window manager.
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    press(Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(grid->hasFocusInside());

    // Another control took the window's remembered focus while the dialog was
    // open: reactivating the window alone would give it that control.
    press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    elsewhere->setFocus();
    ASSERT_EQ(window->focusWidget(), elsewhere);
    press(Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(grid->hasFocusInside());
    EXPECT_NE(QApplication::focusWidget(), elsewhere);
}

} // namespace
