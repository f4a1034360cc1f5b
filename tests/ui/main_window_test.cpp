#include "main_window_fixture.h"

#include "fake_sign_in_environment.h"
#include "refusal.h"
#include "signin/sign_in_window.h"
#include "signin/text8.h"
#include "tds_server.h"
#include "ui/report_preview.h"
#include "ui/reports_menu.h"
#include "ui/server_failures.h"

#include <QClipboard>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <utility>

using controls::DBNavigator;
using db::Dataset;

namespace {

QList<int> teacherIds(Dataset* dataset, const QString& field)
{
    QList<int> ids;
    for (int row = 0; row < dataset->recordCount(); ++row)
        ids << dataset->fieldByName(field).valueAt(row).toInt();
    return ids;
}

bool navigatorInactive(DBNavigator* navigator)
{
    for (const auto button : DBNavigator::kButtonOrder)
        if (navigator->button(button)->isEnabled())
            return false;
    return true;
}

TEST_F(MainWindowTest, CaptionLayoutAndTheStartState)
{
    EXPECT_EQ(form->windowTitle(), "QEL 23 Научная деятельность сотрудника");
    EXPECT_EQ(form->Panel1->geometry(), QRect(0, 0, 1475, 236));
    EXPECT_EQ(form->GroupBox13->geometry(), QRect(0, 236, 1172, 166));
    EXPECT_EQ(form->GroupBox13->title(), "Знание языков");
    EXPECT_EQ(form->Panel4->geometry(), QRect(1175, 240, 301, 568));
    EXPECT_EQ(form->DBLookupComboBox1->geometry(), QRect(65, 35, 927, 21));

    EXPECT_TRUE(form->DBLookupComboBox2->isEnabled());
    EXPECT_FALSE(form->DBLookupComboBox1->isEnabled());
    EXPECT_FALSE(form->DBLookupComboboxEh1->isEnabled());
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_EQ(form->signedInLogin(), "demo");
    EXPECT_TRUE(DM_MB->ADOQ_ScientificActivity->isOpen());
    EXPECT_FALSE(DM_MB->ADOQ_ScientificActivity->canModify());
    EXPECT_EQ(form->DBGridEh1->model()->rowCount(), 0);
    EXPECT_FALSE(form->DBNavigator1->button(DBNavigator::nbInsert)->isEnabled());
    EXPECT_EQ(form->DBGridEh7->dataSource(), nullptr);
    for (Dataset* closed : {DM_MB->ADOQ_Lang_options, DM_MB->ADOQ_Publication, DM_MB->ADOQ_teacher_skills,
                            DM_MB->ADOQ_organization_member})
        EXPECT_FALSE(closed->isOpen()) << closed->name().toStdString();
    // The reference-books menu opens just under its button.
    EXPECT_EQ(form->referenceMenuPosition() - form->frameGeometry().topLeft(), QPoint(1294, 75));
}

// At its own size the window shows everything without scroll bars; at
// 1366 x 768 (a laptop) its content scrolls, and the memberships navigator
// and the reference-books button can be brought into view.
TEST_F(MainWindowTest, AtASmallerSizeTheContentScrollsIntoView)
{
    const auto wholly = [&](const QWidget* control) {
        const QWidget* viewport = form->ContentArea->viewport();
        return viewport->rect().contains(QRect(control->mapTo(viewport, QPoint(0, 0)), control->size()));
    };
    // Shown on the headless screen (800 x 800), the window was fitted to it.
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->frameGeometry()));
    form->resize(TForm1::kClientSize);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), TForm1::kClientSize);
    EXPECT_FALSE(form->ContentArea->verticalScrollBar()->isVisible());
    EXPECT_FALSE(form->ContentArea->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(wholly(form->DBNavigator4));

    form->resize(1366, 768);
    QCoreApplication::processEvents();
    EXPECT_FALSE(wholly(form->DBNavigator4));
    EXPECT_FALSE(wholly(form->SpeedButton1));
    QScrollBar* across = form->ContentArea->horizontalScrollBar();
    QScrollBar* down = form->ContentArea->verticalScrollBar();
    ASSERT_TRUE(across->isVisible());
    ASSERT_TRUE(down->isVisible());
    across->setValue(across->maximum());
    down->setValue(down->maximum());
    EXPECT_TRUE(wholly(form->DBNavigator4));
    down->setValue(0);
    EXPECT_TRUE(wholly(form->SpeedButton1));
    EXPECT_EQ(form->DBNavigator4->geometry(), QRect(936, 160, 224, 25)); // the layout is kept
}

TEST_F(MainWindowTest, YearThenDepartmentThenTeacher)
{
    userSelects(form->DBLookupComboBox2, 16);
    EXPECT_TRUE(form->DBLookupComboBox1->isEnabled());
    EXPECT_FALSE(form->DBLookupComboboxEh1->isEnabled());

    userSelects(form->DBLookupComboBox1, 1);
    EXPECT_TRUE(DM_MB->ADOQ_FIO->sql().endsWith(
        QStringLiteral("HAVING      (T_t_fio_RRNK.id_a_year = 16) AND (T_t_fio_RRNK.id_kafedra = 1) ORDER BY dbo.t_fio.t_fio")));
    QList<int> listed = teacherIds(DM_MB->ADOQ_FIO, QStringLiteral("id_teacher"));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (QList<int>{1, 2, 3, 4, 6, 7, 8, 9, 10, 63})); // RRNK and RRNKkrdt alike, each once
    EXPECT_TRUE(form->DBLookupComboboxEh1->isEnabled());

    userSelects(form->DBLookupComboboxEh1, 1);
    EXPECT_EQ(form->currentTeacherKey().toInt(), 1);
    for (Dataset* bound : DM_MB->teacherBoundDatasets()) {
        EXPECT_TRUE(bound->isOpen()) << bound->name().toStdString();
        EXPECT_TRUE(bound->canModify()) << bound->name().toStdString();
    }
    EXPECT_TRUE(DM_MB->ADOQ_PublicationType->isOpen());
    EXPECT_EQ(form->DBGridEh7->dataSource(), DM_MB->DS_Lang_options);
    EXPECT_EQ(form->DBGridEh1->model()->rowCount(), 1);
    EXPECT_EQ(form->DBGridEh2->model()->rowCount(), 3);
    EXPECT_EQ(form->DBMemo1->toPlainText(), "Ответственность, умение работать в команде");
}

// Keyboard only: the window opens with the focus in the year picker; Down in
// each picker takes its first entry, Tab goes on to the next picker.
TEST_F(MainWindowTest, TheKeyboardAloneChoosesYearDepartmentAndTeacher)
{
    activate(form.get());
    for (controls::DBLookupComboBox* picker :
         {form->DBLookupComboBox2, form->DBLookupComboBox1, form->DBLookupComboboxEh1}) {
        ASSERT_EQ(QApplication::focusWidget(), picker) << picker->objectName().toStdString();
        press(Qt::Key_Down);
        EXPECT_TRUE(picker->keyValue().isValid()) << picker->objectName().toStdString();
        press(Qt::Key_Tab);
    }
    EXPECT_TRUE(form->currentTeacherKey().isValid());
    EXPECT_TRUE(DM_MB->ADOQ_Publication->isOpen());
    // Then the buttons, as they stand left to right.
    EXPECT_EQ(QApplication::focusWidget(), form->ReportsButton);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->SpeedButton1);

    // The open list of an emptied picker takes the first entry on Enter.
    const QVariant first = form->DBLookupComboboxEh1->keyValue();
    form->DBLookupComboboxEh1->setFocus();
    press(Qt::Key_Escape);
    ASSERT_TRUE(form->currentTeacherKey().isNull());
    press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(form->DBLookupComboboxEh1->isListVisible());
    press(Qt::Key_Return);
    EXPECT_EQ(form->currentTeacherKey(), first);
    EXPECT_TRUE(DM_MB->ADOQ_Publication->isOpen());
}

TEST_F(MainWindowTest, TheSameDepartmentOrYearSelectedAgain)
{
    chooseTeacher(1);
    const int teacherLists = sent(QStringLiteral("T_t_fio_RRNK"));
    userSelects(form->DBLookupComboBox1, 1); // the department already shown
    EXPECT_EQ(sent(QStringLiteral("T_t_fio_RRNK")), teacherLists + 1);
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_TRUE(form->DBLookupComboboxEh1->isEnabled());
    EXPECT_FALSE(DM_MB->ADOQ_ScientificActivity->isOpen());

    userSelects(form->DBLookupComboboxEh1, 2);
    userSelects(form->DBLookupComboBox2, 16); // the year already shown
    EXPECT_TRUE(form->DBLookupComboBox1->keyValue().isNull());
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_FALSE(form->DBLookupComboboxEh1->isEnabled());
    EXPECT_TRUE(form->DBLookupComboBox1->isEnabled());
}

TEST_F(MainWindowTest, EscapeEmptiesTheTeacherAndLeavesNothingEditable)
{
    chooseTeacher(1);
    form->DBLookupComboboxEh1->setFocus();
    QTest::keyClick(form->DBLookupComboboxEh1, Qt::Key_Escape);
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_FALSE(DM_MB->ADOQ_ScientificActivity->isOpen());
    EXPECT_EQ(DM_MB->ADOQ_ScientificActivity->lockType(), Dataset::LockType::ReadOnly);
    EXPECT_EQ(form->DBGridEh1->model()->rowCount(), 0);
    EXPECT_EQ(form->DBGridEh7->dataSource(), nullptr);
    EXPECT_TRUE(navigatorInactive(form->DBNavigator2));
    // The sections still holding the previous teacher's rows show none and take nothing.
    for (DBNavigator* navigator : {form->DBNavigator1, form->DBNavigator3, form->DBNavigator4})
        EXPECT_TRUE(navigatorInactive(navigator));
    EXPECT_EQ(form->DBGridEh2->model()->rowCount(), 0);
    EXPECT_EQ(form->DBGridEh3->model()->rowCount(), 0);
    EXPECT_TRUE(form->DBMemo1->toPlainText().isEmpty());
    EXPECT_TRUE(form->DBMemo1->isReadOnly());

    const int before = int(statements.size());
    QTest::keyClick(form->DBLookupComboboxEh1, Qt::Key_Escape); // an empty picker: no rule
    EXPECT_EQ(statements.size(), before);
}

TEST_F(MainWindowTest, TeacherBAfterTeacherALeavesNothingOfA)
{
    chooseTeacher(1);
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_EQ(teacherIds(DM_MB->ADOQ_ScientificActivity, QStringLiteral("id_t_fio")), QList<int>{2});
    for (Dataset* bound : {DM_MB->ADOQ_Lang_options, DM_MB->ADOQ_Publication, DM_MB->ADOQ_teacher_skills,
                           DM_MB->ADOQ_organization_member}) {
        const QList<int> ids = teacherIds(bound, QStringLiteral("id_teacher"));
        EXPECT_FALSE(ids.isEmpty()) << bound->name().toStdString();
        EXPECT_EQ(ids.count(2), ids.size()) << bound->name().toStdString();
    }
    EXPECT_EQ(form->DBMemo1->toPlainText(), "Организаторские способности");
}

TEST_F(MainWindowTest, ATeacherWithoutRowsGetsFiveEmptyEditableSectionsStampedOnFirstPost)
{
    chooseTeacher(4);
    for (Dataset* bound : DM_MB->teacherBoundDatasets()) {
        EXPECT_TRUE(bound->isEmpty()) << bound->name().toStdString();
        EXPECT_TRUE(bound->canModify()) << bound->name().toStdString();
    }
    struct Section {
        DBNavigator* navigator;
        const char* field;
        QVariant value;
    };
    const Section sections[] = {
        {form->DBNavigator1, "theme", QStringLiteral("Тема без преподавателя в записи")},
        {form->DBNavigator2, "id_lang", 2},
        {form->DBNavigator3, "theme", QStringLiteral("Новая статья")},
        {form->DBNavigator4, "id_organization", 4},
    };
    for (const Section& s : sections) {
        s.navigator->button(DBNavigator::nbInsert)->click();
        s.navigator->dataSource()->dataset()->fieldByName(QString::fromLatin1(s.field)).setValue(s.value);
        s.navigator->button(DBNavigator::nbPost)->click();
    }
    EXPECT_EQ(count("select count(*) from ScientificActivity where id_t_fio = 4"), 1);
    EXPECT_EQ(count("select count(*) from Language_options where id_teacher = 4 and id_lang = 2"), 1);
    EXPECT_EQ(count("select count(*) from Publication where id_teacher = 4 and theme = 'Новая статья'"), 1);
    EXPECT_EQ(count("select count(*) from organization_member where id_teacher = 4 and id_organization = 4"), 1);
}

TEST_F(MainWindowTest, TypingInAnEmptyMemoInsertsOnceThenUpdatesAndArrowsPostAgain)
{
    chooseTeacher(4);
    form->DBMemo1->setFocus();
    for (const char key : {'a', 'b', 'c'})
        QTest::keyClick(form->DBMemo1, key);
    EXPECT_EQ(sent(QStringLiteral("INSERT INTO \"teacher_skills\"")), 1);
    EXPECT_EQ(sent(QStringLiteral("UPDATE \"teacher_skills\"")), 2);
    EXPECT_EQ(count("select count(*) from teacher_skills where id_teacher = 4"), 1);
    EXPECT_EQ(demo.scalar("select personal_skills from teacher_skills where id_teacher = 4").toString(), "abc");

    QTest::keyClick(form->DBMemo1, Qt::Key_Left); // nothing typed, yet posted again
    EXPECT_EQ(sent(QStringLiteral("UPDATE \"teacher_skills\"")), 3);
    QTest::keyClick(form->DBMemo2, 'x');
    EXPECT_EQ(demo.scalar("select computer_skills from teacher_skills where id_teacher = 4").toString(), "x");
}

TEST_F(MainWindowTest, TwoSelectedLanguageRowsGoAfterOneQuestion)
{
    chooseTeacher(1);
    ASSERT_EQ(DM_MB->ADOQ_Lang_options->recordCount(), 2);
    QItemSelectionModel* selection = form->DBGridEh7->selectionModel();
    const QAbstractItemModel* model = form->DBGridEh7->model();
    selection->select(model->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->DBGridEh7->setFocus();
    QTest::keyClick(form->DBGridEh7, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "Delete all selected records?");
    EXPECT_EQ(count("select count(*) from Language_options where id_teacher = 1"), 0);
    EXPECT_TRUE(DM_MB->ADOQ_Lang_options->isEmpty());
}

TEST_F(MainWindowTest, FullNameIsNotEditableAndFollowsTheShortName)
{
    chooseTeacher(1);
    const QAbstractItemModel* model = form->DBGridEh3->model();
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    Dataset* members = DM_MB->ADOQ_organization_member;
    members->edit();
    members->fieldByName(QStringLiteral("Shrt_name")).setValue(QStringLiteral("РАЕН"));
    EXPECT_EQ(model->index(0, 1).data().toString(), "Российская академия естественных наук");
    members->post();
    EXPECT_EQ(count("select count(*) from organization_member where id_teacher = 1 and id_organization = 1"), 1);
}

// No teacher shown: a key release in a memo says nothing (a message there
// would come back at the release of the key that closed it) and saves nothing.
TEST_F(MainWindowTest, AMemoWithoutTeacherSaysAndSavesNothing)
{
    form->DBMemo1->setFocus();
    QTest::keyClick(form->DBMemo1, Qt::Key_Right);
    QTest::keyClick(form->DBMemo1, Qt::Key_Return);
    EXPECT_TRUE(dialogs.messages().isEmpty());

    chooseTeacher(1);
    form->DBLookupComboboxEh1->setKeyValue(QVariant());
    form->DBMemo1->setFocus();
    QTest::keyClick(form->DBMemo1, 'x');
    QTest::keyClick(form->DBMemo1, Qt::Key_Escape);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(count("select count(*) from teacher_skills where id_teacher is null"), 0);
    EXPECT_EQ(sent(QStringLiteral("UPDATE \"teacher_skills\"")), 0);
}

TEST_F(MainWindowTest, LookupTextsShowWhole)
{
    chooseTeacher(1);
    EXPECT_EQ(form->DBGridEh1->model()->index(0, 0).data().toString(), "кандидат наук");
}

// A teacher change failing half-way (the database locked at the third step)
// leaves no section open on either teacher and the picker empty, so nothing
// can be filed under the wrong teacher.
TEST_F(MainWindowTest, ATeacherChangeFailingHalfWayLeavesNothingOpen)
{
    chooseTeacher(1);
    const QString perTeacher = QStringLiteral(
        "select group_concat(id_teacher || ':' || n) from (select id_teacher, count(*) n from %1 group by id_teacher)");
    const QStringList tables{"Publication", "Language_options", "teacher_skills", "organization_member"};
    QStringList before;
    for (const QString& table : tables)
        before << demo.scalar(perTeacher.arg(table)).toString();

    db::embedded_faults::failStatementContaining(QStringLiteral("[Publication] WHERE id_teacher=2"),
                                                 QStringLiteral("database is locked"));
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_EQ(dialogs.texts(), QStringList{"database is locked"});
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_TRUE(form->DBLookupComboboxEh1->text().isEmpty());
    for (Dataset* bound : DM_MB->teacherBoundDatasets())
        EXPECT_FALSE(bound->isOpen()) << bound->name().toStdString();
    for (controls::DBGridEh* grid : {form->DBGridEh1, form->DBGridEh7, form->DBGridEh2, form->DBGridEh3})
        EXPECT_EQ(grid->model()->rowCount(), 0) << grid->objectName().toStdString();
    for (DBNavigator* navigator : {form->DBNavigator1, form->DBNavigator2, form->DBNavigator3, form->DBNavigator4})
        EXPECT_TRUE(navigatorInactive(navigator)) << navigator->objectName().toStdString();
    EXPECT_TRUE(form->DBMemo1->isReadOnly());
    form->DBMemo1->setFocus();
    QTest::keyClick(form->DBMemo1, 'x');
    QStringList after;
    for (const QString& table : tables)
        after << demo.scalar(perTeacher.arg(table)).toString();
    EXPECT_EQ(after, before);

    // Choosing again works as ever.
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_EQ(teacherIds(DM_MB->ADOQ_Publication, QStringLiteral("id_teacher")), (QList<int>{2, 2}));
}

// Another teacher, department or year first posts a pending record; a refused
// post keeps the record with the user's values and every picker as it was.
TEST_F(MainWindowTest, APendingRecordIsPostedBeforeAnotherChoiceOrTheChoiceIsUndone)
{
    chooseTeacher(1);
    Dataset* members = DM_MB->ADOQ_organization_member;
    form->DBNavigator4->button(DBNavigator::nbInsert)->click();
    members->fieldByName(QStringLiteral("id_organization")).setValue(4);
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(count("select count(*) from organization_member where id_teacher = 1 and id_organization = 4"), 1);
    EXPECT_EQ(form->currentTeacherKey().toInt(), 2);

    form->DBNavigator4->button(DBNavigator::nbInsert)->click();
    members->fieldByName(QStringLiteral("id_organization")).setValue(4);
    for (controls::DBLookupComboBox* picker :
         {form->DBLookupComboboxEh1, form->DBLookupComboBox1, form->DBLookupComboBox2}) {
        dialogs.clear();
        db::embedded_faults::failNextWrite(QStringLiteral("The server refuses"));
        userSelects(picker, picker == form->DBLookupComboboxEh1 ? 3 : picker == form->DBLookupComboBox1 ? 1 : 16);
        EXPECT_EQ(dialogs.texts(), QStringList{"The server refuses"}) << picker->objectName().toStdString();
        EXPECT_EQ(form->DBLookupComboBox2->keyValue().toInt(), 16);
        EXPECT_EQ(form->DBLookupComboBox1->keyValue().toInt(), 1);
        EXPECT_EQ(form->currentTeacherKey().toInt(), 2);
        EXPECT_EQ(members->state(), Dataset::State::Insert);
        EXPECT_EQ(members->fieldByName(QStringLiteral("id_organization")).value().toInt(), 4);
    }
    // Escape in the teacher picker posts it too.
    form->DBLookupComboboxEh1->setFocus();
    QTest::keyClick(form->DBLookupComboboxEh1, Qt::Key_Escape);
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_EQ(count("select count(*) from organization_member where id_teacher = 2 and id_organization = 4"), 1);
}

TEST_F(MainWindowTest, ClosingWithAPendingRecordAsksAndEachAnswerDoesWhatItSays)
{
    using controls::Button;
    chooseTeacher(1);
    Dataset* publications = DM_MB->ADOQ_Publication;
    const auto pending = [&](const QString& theme) {
        form->show();
        form->DBNavigator3->button(DBNavigator::nbInsert)->click();
        publications->fieldByName(QStringLiteral("theme")).setValue(theme);
    };
    const auto stored = [&](const QString& theme) {
        return count(QStringLiteral("select count(*) from Publication where theme = '%1'").arg(theme));
    };

    pending(QStringLiteral("Черновик"));
    dialogs.plan(Button::Cancel);
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs.messages().size(), 1);
    const controls::Message question = dialogs.messages().first();
    EXPECT_EQ(question.caption, "Уведомление");
    EXPECT_EQ(question.text, "Были сделаны изменения.\rВы хотите сохранить?");
    EXPECT_EQ(question.buttons, (QList<Button>{Button::Yes, Button::No, Button::Cancel}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(publications->state(), Dataset::State::Insert);

    db::embedded_faults::failNextWrite(QStringLiteral("The server refuses"));
    dialogs.plan(Button::Yes);
    EXPECT_FALSE(form->close()); // refused: stays open with the record
    EXPECT_EQ(dialogs.texts().last(), "The server refuses");
    EXPECT_EQ(publications->state(), Dataset::State::Insert);

    dialogs.plan(Button::No);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(stored(QStringLiteral("Черновик")), 0);
    EXPECT_EQ(publications->state(), Dataset::State::Browse);

    // A text typed into a cell, still only in its editor, is the change asked about.
    activate(form.get());
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    form->DBGridEh2->setCurrentCell(form->DBGridEh2->currentIndex().row(), 1);
    type(QStringLiteral("Чистовик"));
    ASSERT_TRUE(publications->fieldByName(QStringLiteral("theme")).isNull());
    dialogs.clear();
    dialogs.plan(Button::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(stored(QStringLiteral("Чистовик")), 1);

    // Nothing pending, or a new row with nothing in it: nothing asked.
    form->show();
    dialogs.clear();
    EXPECT_TRUE(form->close());
    activate(form.get());
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

// + in a section takes the focus into the new row: typing goes there, not to
// the picker that last had the focus.
TEST_F(MainWindowTest, TypingAfterInsertGoesIntoTheNewRow)
{
    chooseTeacher(1);
    activate(form.get());
    Dataset* publications = DM_MB->ADOQ_Publication;
    publications->setCurrentRow(2); // the new row comes before the current one, not first
    form->DBLookupComboboxEh1->setFocus();
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    EXPECT_TRUE(form->DBGridEh2->hasFocusInside());
    EXPECT_EQ(form->DBGridEh2->currentIndex().row(), 2);
    type(QStringLiteral("м"));
    EXPECT_EQ(form->currentTeacherKey().toInt(), 1);
    EXPECT_EQ(publications->currentRow(), 2);
    EXPECT_EQ(publications->state(), Dataset::State::Insert);
    EXPECT_EQ(publications->fieldByName(QStringLiteral("PublicationType")).asString(), "монография");
}

// A message box is a window of its own that takes the focus while it is
// shown. In the publications grid (its editor always open) Ctrl+Delete
// answered with Cancel leaves the keys in the same cell: Return stays in the
// grid, Down goes to the next publication, and no picker changes. A value a
// field refuses is shown once, and its text stays in the cell.
TEST_F(MainWindowTest, AfterAMessageTheKeysGoBackToTheSameCell)
{
    chooseTeacher(1);
    activate(form.get());
    controls::DBGridEh* publications = form->DBGridEh2;
    for (const auto box : {FakeDialogs::Box::WindowWithoutManager, FakeDialogs::Box::WindowWithManager}) {
        dialogs.box = box;
        dialogs.clear();
        publications->setFocus();
        publications->setCurrentCell(0, 1);
        dialogs.plan(controls::Button::Cancel);
        press(Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_NE(publications->cellEditor(), nullptr);
        ASSERT_EQ(QApplication::focusWidget(), publications->cellEditor());
        press(Qt::Key_Return);
        press(Qt::Key_Down);
        EXPECT_EQ(publications->currentIndex(), publications->model()->index(1, 1));
        EXPECT_EQ(form->DBLookupComboBox2->keyValue().toInt(), 16);
        EXPECT_EQ(form->DBLookupComboBox1->keyValue().toInt(), 1);
        EXPECT_EQ(form->currentTeacherKey().toInt(), 1);
        EXPECT_EQ(DM_MB->ADOQ_Publication->recordCount(), 3);

        struct Refused {
            controls::DBGridEh* grid;
            int column;
            QString text;
        };
        for (const Refused& r : {Refused{publications, 2, QStringLiteral("31.02.2024")},
                                 Refused{form->DBGridEh7, 2, QStringLiteral("6")},
                                 Refused{form->DBGridEh1, 4, QStringLiteral("abc")}}) {
            dialogs.clear();
            r.grid->setFocus();
            r.grid->setCurrentCell(0, r.column);
            type(r.text);
            press(Qt::Key_Tab);
            EXPECT_EQ(dialogs.messages().size(), 1) << r.grid->objectName().toStdString();
            EXPECT_EQ(r.grid->currentColumn(), r.column);
            const auto* editor = qobject_cast<QLineEdit*>(r.grid->cellEditor());
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->text(), r.text);
            ASSERT_EQ(QApplication::focusWidget(), editor);
            press(Qt::Key_Escape);
            press(Qt::Key_Escape);
            EXPECT_FALSE(r.grid->dataset()->isEditing());
        }
    }
}

// A date the field refuses: one message, and the navigator's cancel drops the
// editor's text with the record; nothing is refused again, no row is left.
TEST_F(MainWindowTest, CancelAfterARefusedDateLeavesNothingBehind)
{
    chooseTeacher(1);
    activate(form.get());
    // The real box takes the focus while it is shown.
    dialogs.whileShown = [this](const controls::Message&) {
        QWidget* had = QApplication::focusWidget();
        form->DBLookupComboBox2->setFocus();
        if (had)
            had->setFocus();
    };
    controls::DBGridEh* grid = form->DBGridEh2;
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    grid->setCurrentCell(grid->currentIndex().row(), 2);
    ASSERT_NE(grid->cellEditor(), nullptr);
    type(QStringLiteral("31.02.2024"));
    press(Qt::Key_Tab);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(grid->currentColumn(), 2);

    form->DBNavigator3->button(DBNavigator::nbCancel)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(DM_MB->ADOQ_Publication->state(), Dataset::State::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    const auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    EXPECT_TRUE(!editor || !editor->text().contains(QStringLiteral("31.02")));
    grid->setCurrentCell(0, 1);
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    form->DBNavigator3->button(DBNavigator::nbCancel)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(count("select count(*) from Publication where id_teacher = 1"), 3);
}

// Another user deletes the publication type chosen: the post is refused in
// Russian, and the record stays with what was typed.
TEST_F(MainWindowTest, APostWhoseDictionaryEntryWentIsRefusedInRussianAndKept)
{
    demo.sql(QStringLiteral("INSERT INTO PublicationType (id_publicationType, publicationType) VALUES (90, 'удаляемый вид')"));
    chooseTeacher(1);
    Dataset* publications = DM_MB->ADOQ_Publication;
    publications->append();
    publications->fieldByName(QStringLiteral("theme")).setValue(QStringLiteral("Статья без вида"));
    publications->fieldByName(QStringLiteral("id_publicationType")).setValue(90);
    demo.sql(QStringLiteral("DELETE FROM PublicationType WHERE id_publicationType = 90"));
    dialogs.clear();
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].startsWith("Запись не сохранена: выбранного значения больше нет в справочнике"))
        << dialogs.texts()[0].toStdString();
    EXPECT_EQ(publications->state(), Dataset::State::Insert);
    EXPECT_EQ(publications->fieldByName(QStringLiteral("theme")).asString(), "Статья без вида");
    EXPECT_EQ(count("select count(*) from Publication where theme = 'Статья без вида'"), 0);
}

// A dropped connection costs no typing: the user is asked once whether to
// reconnect (declining changes nothing, the next action asks again);
// reconnecting reads everything again at the same year, department and
// teacher with the typed record kept, and one post stores it once, under
// that teacher.
TEST_F(MainWindowTest, ALostConnectionIsOfferedOnceAndReconnectingKeepsTheTypedRecord)
{
    using controls::Button;
    chooseTeacher(1);
    activate(form.get());
    const int teachers = DM_MB->ADOQ_FIO->recordCount();
    Dataset* publications = DM_MB->ADOQ_Publication;
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    type(QStringLiteral("м"));
    press(Qt::Key_Tab);
    type(QStringLiteral("После обрыва связи"));

    // The link breaks during the post: the insert ran, its commit never came.
    db::embedded_faults::loseConnectionsAfterNextWrite();
    dialogs.plan(Button::No);
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    EXPECT_EQ(dialogs.texts(), QStringList{kConnectionLostQuestion});
    EXPECT_EQ(publications->state(), Dataset::State::Insert);

    dialogs.plan(Button::Yes);
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    EXPECT_EQ(dialogs.texts(), (QStringList{kConnectionLostQuestion, kConnectionLostQuestion}));
    EXPECT_EQ(DM_MB->ADOCon->query(QStringLiteral("DBCC USEROPTIONS")).rows.value(0).value(1).toString(), "dmy");
    EXPECT_EQ(form->DBLookupComboBox2->keyValue().toInt(), 16);
    EXPECT_EQ(form->DBLookupComboBox1->keyValue().toInt(), 1);
    EXPECT_EQ(form->currentTeacherKey().toInt(), 1);
    EXPECT_EQ(DM_MB->ADOQ_FIO->recordCount(), teachers);
    EXPECT_EQ(publications->state(), Dataset::State::Insert);
    EXPECT_EQ(publications->fieldByName(QStringLiteral("theme")).asString(), "После обрыва связи");

    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(count("select count(*) from Publication where theme = 'После обрыва связи'"), 1);
    EXPECT_EQ(count("select count(*) from Publication where theme = 'После обрыва связи' and id_teacher = 1 "
                    "and id_publicationType is not null"),
              1);
}

// The question about a lost link stands for every failure of that link while
// it is open: a read failing meanwhile (another section, another dataset)
// adds no second question, and once it is answered the next failure asks
// again.
TEST_F(MainWindowTest, AFailingReadWhileTheReconnectQuestionIsOpenAsksNothingMore)
{
    using controls::Button;
    chooseTeacher(1);
    db::embedded_faults::loseConnections();
    int readsWhileShown = 0;
    dialogs.whileShown = [&](const controls::Message&) {
        if (readsWhileShown++ == 0) {
            EXPECT_FALSE(controls::guarded([] { DM_MB->ADOQ_Lang_options->refresh(); }));
            EXPECT_FALSE(controls::guarded([] { DM_MB->ADOQ_FIO->refresh(); }));
        }
    };
    dialogs.plan(Button::No);
    EXPECT_FALSE(controls::guarded([] { DM_MB->ADOQ_Publication->refresh(); }));
    EXPECT_EQ(dialogs.texts(), QStringList{kConnectionLostQuestion});

    dialogs.plan(Button::No);
    EXPECT_FALSE(controls::guarded([] { DM_MB->ADOQ_teacher_skills->refresh(); }));
    EXPECT_EQ(dialogs.texts(), (QStringList{kConnectionLostQuestion, kConnectionLostQuestion}));
    dialogs.whileShown = {};
}

// Another user takes the chosen teacher out of the department's list while
// the link is down: after the reconnect the teacher is cleared and the user
// told; the typed record is filed under no teacher, this one or the next.
TEST_F(MainWindowTest, ATeacherGoneWhileTheLinkWasDownIsClearedAndNothingIsFiledUnderAnother)
{
    using controls::Button;
    chooseTeacher(1);
    Dataset* publications = DM_MB->ADOQ_Publication;
    publications->append();
    publications->fieldByName(QStringLiteral("theme")).setValue(QStringLiteral("Для ушедшего"));
    db::embedded_faults::loseConnections();
    demo.sql(QStringLiteral("DELETE FROM RRNK WHERE id_teacher = 1"));
    demo.sql(QStringLiteral("DELETE FROM RRNKkrdt WHERE id_teacher = 1"));
    dialogs.plan(Button::Yes);
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    ASSERT_EQ(dialogs.texts().size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_TRUE(dialogs.texts()[1].startsWith("Выбранного преподавателя больше нет в списке")) << dialogs.texts()[1].toStdString();
    EXPECT_TRUE(form->currentTeacherKey().isNull());
    EXPECT_EQ(form->DBLookupComboBox1->keyValue().toInt(), 1);
    EXPECT_EQ(publications->fieldByName(QStringLiteral("theme")).asString(), "Для ушедшего");

    userSelects(form->DBLookupComboboxEh1, DM_MB->ADOQ_FIO->fieldByName(QStringLiteral("id_teacher")).value());
    EXPECT_FALSE(form->currentTeacherKey().isNull());
    EXPECT_EQ(count("select count(*) from Publication where theme = 'Для ушедшего'"), 0);
}

// Keys typed into a memo after the link broke: one question, however many
// keys (also those arriving while it is shown); the typing stays, and after
// reconnecting the next key release saves it.
TEST_F(MainWindowTest, KeysInAMemoAfterTheLinkBrokeAskOnce)
{
    using controls::Button;
    chooseTeacher(4);
    activate(form.get());
    form->DBMemo1->setFocus();
    db::embedded_faults::loseConnections();
    dialogs.plan(Button::No);
    bool typedAhead = false;
    dialogs.whileShown = [&typedAhead](const controls::Message&) {
        if (!std::exchange(typedAhead, true))
            type(QStringLiteral("de"));
    };
    type(QStringLiteral("abc"));
    dialogs.whileShown = {};
    EXPECT_EQ(dialogs.texts(), QStringList{kConnectionLostQuestion});
    EXPECT_EQ(form->DBMemo1->toPlainText(), "adebc");

    form->DBMemo2->setFocus(); // leaving the memo: the next key release tries again
    dialogs.plan(Button::Yes);
    type(QStringLiteral("x"));
    EXPECT_EQ(dialogs.messages().size(), 2);
    type(QStringLiteral("y"));
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(count("select count(*) from teacher_skills where id_teacher = 4 and personal_skills = 'adebc' "
                    "and computer_skills = 'xy'"),
              1);
}

// Another program holding the database: the memo's save is refused once, in
// the words a read gets, and not tried again at every key release (each try
// would wait for the lock); once the memo is left and entered again, a key
// release saves everything typed.
TEST_F(MainWindowTest, AMemoSaveRefusedByALockIsShownOnceUntilTheMemoIsLeft)
{
    chooseTeacher(1);
    activate(form.get());
    DM_MB->ADOCon->execute(QStringLiteral("PRAGMA busy_timeout = 100")); // the embedded server's wait is 5 s
    demo.sql(QStringLiteral("BEGIN EXCLUSIVE"));
    form->DBMemo1->setFocus();
    QTest::keyClick(form->DBMemo1, Qt::Key_End);
    type(QStringLiteral("abc"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), refusal([] { DM_MB->ADOQ_Publication->refresh(); }));
    EXPECT_EQ(sent(QStringLiteral("UPDATE \"teacher_skills\"")), 1);
    demo.sql(QStringLiteral("COMMIT"));

    type(QStringLiteral("d"));
    EXPECT_EQ(sent(QStringLiteral("UPDATE \"teacher_skills\"")), 1);
    form->DBMemo2->setFocus();
    form->DBMemo1->setFocus();
    QTest::keyClick(form->DBMemo1, Qt::Key_End);
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(demo.scalar("select personal_skills from teacher_skills where id_teacher = 1").toString().endsWith("abcd"));
}

// Two programs typing in the same teacher's skills: the one whose row was
// changed meanwhile is told so in plain words and may keep typing (not asked
// again at each key) or read the row again, dropping its typing only then,
// and then choose another teacher.
TEST_F(MainWindowTest, AnotherUsersChangeIsToldAndRereadingLetsTheUserGoOn)
{
    using controls::Button;
    chooseTeacher(1);
    activate(form.get());
    db::Connection other;
    other.setConnectionString(demo.connectionString());
    Dataset theirs(QStringLiteral("theirs"), Dataset::Kind::Query, &other);
    theirs.setSql(QStringLiteral("SELECT *  FROM [QEL].[dbo].[teacher_skills] WHERE id_teacher=1"));
    theirs.open();
    theirs.edit();
    theirs.fieldByName(QStringLiteral("personal_skills")).setValue(QStringLiteral("Их текст"));
    theirs.post();

    form->DBMemo1->setFocus();
    dialogs.plan(Button::No);
    type(QStringLiteral("x"));
    EXPECT_EQ(dialogs.texts(), QStringList{kRowChangedQuestion});
    type(QStringLiteral("y"));
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(DM_MB->ADOQ_teacher_skills->state(), Dataset::State::Edit);
    EXPECT_TRUE(form->DBMemo1->toPlainText().contains(QStringLiteral("xy")));

    // Another teacher posts first: refused, asked again; reading again drops the typing.
    dialogs.plan(Button::Yes);
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_EQ(dialogs.texts(), (QStringList{kRowChangedQuestion, kRowChangedQuestion}));
    EXPECT_EQ(form->currentTeacherKey().toInt(), 1);
    EXPECT_EQ(DM_MB->ADOQ_teacher_skills->state(), Dataset::State::Browse);
    EXPECT_EQ(form->DBMemo1->toPlainText(), "Их текст");
    userSelects(form->DBLookupComboboxEh1, 2);
    EXPECT_EQ(form->currentTeacherKey().toInt(), 2);
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(demo.scalar("select personal_skills from teacher_skills where id_teacher = 1").toString(), "Их текст");
}

// The main window on the T-SQL server over TDS, signed in through the
// server's GET_USER from a settings file naming that server. Every row the
// test writes into the shared demo database is taken out again, and the
// expired user's password and the memo put back, so that the next run (and
// the same test under Wine) finds the database as loaded.
class MainWindowOverTds : public MainWindowTest {
protected:
    void SetUp() override
    {
        if (!tds_server::available())
            GTEST_SKIP() << tds_server::skipReason();
        db::embedded_faults::exempt([this] {
            admin = tds_server::connect(tds_server::adminLogin(), tds_server::adminPassword(), QStringLiteral("QEL"));
        });
        const db::ResultSet expired = admin->query(
            QStringLiteral("SELECT password_md5, password_term FROM dbo.QEL_User WHERE QEL_login = 'expired'"));
        ASSERT_EQ(expired.rows.size(), 1);
        expiredDigest = expired.rows[0][0].toString();
        expiredTerm = expired.rows[0][1].toInt();
        skills = admin->query(QStringLiteral("SELECT personal_skills FROM dbo.teacher_skills WHERE id_teacher = 1"))
                     .rows.value(0).value(0);
        demo.becomeProgramFolder("gate2026", toText8(tds_server::dataSource()));
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        if (!admin)
            return;
        const auto text = [](const char* column, int size, const QVariant& value) {
            return db::ColumnValue{{QString::fromLatin1(column), db::FieldType::String, size}, value};
        };
        admin->execute(QStringLiteral("DELETE FROM dbo.Publication WHERE theme LIKE N'%%1%'").arg(kMarker));
        admin->write({QStringLiteral("UPDATE dbo.teacher_skills SET personal_skills = ? WHERE id_teacher = 1"),
                      {text("personal_skills", 500, skills)}});
        admin->write({QStringLiteral("UPDATE dbo.QEL_User SET password_md5 = ?, password_term = ? "
                                     "WHERE QEL_login = 'expired'"),
                      {text("password_md5", 32, expiredDigest),
                       {{QStringLiteral("password_term"), db::FieldType::Integer, 0}, expiredTerm}}});
    }

    // The sign-in window as the program shows it: a blocked user is told the
    // server's message; an expired password must change, and the new one
    // signs in; then (the program signed in anew) the demo user.
    bool signIn() override
    {
        dataModule->ADOCon->setBackendFactory(tds_server::backendFactory());
        FakeSignInEnvironment environment;
        {
            TForm8 window(environment);
            const auto attempt = [&](const QString& login, const QString& password) {
                window.Login_Edit->setText(login);
                window.Password_Edit->setText(password);
                window.SpeedButton2Click();
            };
            attempt(QStringLiteral("blocked"), QStringLiteral("blocked2026"));
            EXPECT_EQ(window.statusText(), "Учётная запись заблокирована. Обратитесь к администратору.");
            EXPECT_NE(window.result(), QDialog::Accepted);
            attempt(QStringLiteral("expired"), QStringLiteral("expired2026"));
            EXPECT_TRUE(window.statusText().startsWith("Вы должны поменять пароль")) << window.statusText().toStdString();
            EXPECT_TRUE(window.passwordChangeMode());
            EXPECT_NE(window.result(), QDialog::Accepted);
            window.Edit1->setText(QStringLiteral("New_pass1"));
            window.Edit2->setText(QStringLiteral("New_pass1"));
            window.SpeedButton2Click();
            EXPECT_EQ(window.result(), QDialog::Accepted) << window.statusText().toStdString();
            EXPECT_EQ(serverValue("SELECT password_term FROM dbo.QEL_User WHERE QEL_login = 'expired'").toInt(), 90);
        }
        dataModule->ADOCon->close();
        TForm8 window(environment);
        window.Login_Edit->setText(QStringLiteral("demo"));
        window.Password_Edit->setText(QStringLiteral("demo2026"));
        window.SpeedButton2Click();
        return window.result() == QDialog::Accepted;
    }

    // A value as the server holds it, read on the administrator's own connection.
    QVariant serverValue(const QString& statement) const
    {
        return admin->query(statement).rows.value(0).value(0);
    }
    // A text column's Windows-1251 bytes as stored, whatever a client makes of them.
    QByteArray storedBytes(const QString& select) const { return serverValue(select).toByteArray(); }
    static QByteArray codePageBytes(const QString& text) { return QByteArray::fromStdString(toText8(text)); }

    inline static const QString kMarker = QStringLiteral("проверка по TDS");
    std::unique_ptr<db::Connection> admin;
    QString expiredDigest;
    int expiredTerm = 0;
    QVariant skills;
};

// Signed in through the server's GET_USER, the user chooses year,
// department and teacher; adds, edits and deletes a publication with a
// Cyrillic title and saves a long memo, each stored exactly as typed; the
// profile document shows the server's texts whole; a dictionary entry in use
// is refused in the program's words.
TEST_F(MainWindowOverTds, SignInPublicationsMemoDictionaryAndProfileOnTheTSqlServer)
{
    ASSERT_EQ(form->signedInLogin(), "demo");
    EXPECT_EQ(DM_MB->ADOQ_Kafedra->recordCount(), 3); // the demo user's departments
    chooseTeacher(1);
    ASSERT_EQ(form->currentTeacherKey().toInt(), 1);
    EXPECT_EQ(form->DBLookupComboboxEh1->text(), "Иванов Сергей Петрович");
    EXPECT_EQ(form->DBGridEh1->model()->index(0, 0).data().toString(), "кандидат наук");
    activate(form.get());

    // Added: the type by its first letter, then the title.
    Dataset* publications = DM_MB->ADOQ_Publication;
    const QString title = QStringLiteral("Ёмкость «облачных» хранилищ: д'Артаньян и %1").arg(kMarker);
    form->DBNavigator3->button(DBNavigator::nbInsert)->click();
    type(QStringLiteral("м"));
    press(Qt::Key_Tab);
    type(title);
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    ASSERT_EQ(publications->state(), Dataset::State::Browse) << dialogs.texts().join('\n').toStdString();
    const QString ours = QStringLiteral("FROM dbo.Publication WHERE theme LIKE N'%%1%'").arg(kMarker);
    ASSERT_EQ(serverValue(QStringLiteral("SELECT COUNT(*) ") + ours).toInt(), 1);
    const int key = serverValue(QStringLiteral("SELECT id_publication ") + ours).toInt();
    const QString byKey = QStringLiteral("SELECT %2 FROM dbo.Publication WHERE id_publication = %1").arg(key);
    EXPECT_EQ(serverValue(byKey.arg("theme")).toString(), title);
    EXPECT_EQ(storedBytes(byKey.arg("CAST(theme AS varbinary(200))")), codePageBytes(title));
    EXPECT_EQ(serverValue(byKey.arg("id_teacher")).toInt(), 1);
    EXPECT_EQ(serverValue(byKey.arg("id_publicationType")).toInt(), 2);

    // Edited to the column's full 200 characters, typed at the end of the title.
    QString longer = title + u' ';
    while (longer.size() < 200)
        longer += QStringLiteral("ёжик ").left(200 - longer.size());
    form->DBGridEh2->setCurrentCell(publications->currentRow(), 1);
    form->DBGridEh2->setFocus();
    press(Qt::Key_End);
    type(longer.mid(title.size()));
    form->DBNavigator3->button(DBNavigator::nbPost)->click();
    ASSERT_EQ(publications->state(), Dataset::State::Browse) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(publications->fieldByName(QStringLiteral("theme")).asString(), longer);
    EXPECT_EQ(serverValue(byKey.arg("theme")).toString(), longer);
    EXPECT_EQ(storedBytes(byKey.arg("CAST(theme AS varbinary(200))")), codePageBytes(longer));
    publications->refresh(); // read back as the server holds it
    EXPECT_EQ(publications->fieldByName(QStringLiteral("theme")).asString(), longer);

    // The memo, over 200 characters, pasted in place of its text: saved at the key's release.
    QString memo;
    while (memo.size() < 260)
        memo += QStringLiteral("Руководство «школой» молодых учёных, д'Арк и ёмкие %1; ").arg(kMarker);
    memo.truncate(260);
    QApplication::clipboard()->setText(memo);
    form->DBMemo1->setFocus();
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->DBMemo1->toPlainText(), memo);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.texts().join('\n').toStdString();
    const QString skillsOfOne = QStringLiteral("SELECT %1 FROM dbo.teacher_skills WHERE id_teacher = 1");
    EXPECT_EQ(serverValue(skillsOfOne.arg("personal_skills")).toString(), memo);
    EXPECT_EQ(storedBytes(skillsOfOne.arg("CAST(personal_skills AS varbinary(500))")), codePageBytes(memo));

    // The profile: every text whole.
    ui::ReportPreview* preview = form->ReportsMenu->show(QStringLiteral("profile"));
    ASSERT_NE(preview, nullptr) << dialogs.texts().join('\n').toStdString();
    const QString profile = preview->document().toPlainText();
    EXPECT_FALSE(profile.contains(QChar::ReplacementCharacter)) << profile.toStdString();
    for (const QString& whole : {QStringLiteral("кандидат наук"), QStringLiteral("доцент"),
                                 QStringLiteral("Методы и средства проектирования распределённых информационных систем вуза"),
                                 QStringLiteral("НТО РЭС им. Попова"),
                                 QStringLiteral("Российское научно-техническое общество радиотехники, электроники и "
                                                "связи имени А. С. Попова"),
                                 longer, memo})
        EXPECT_TRUE(profile.contains(whole)) << whole.toStdString();
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Deleted, after the question.
    dialogs.clear();
    // Only this row of the shared database goes, whatever went wrong above.
    const int row = publications->locate(QStringLiteral("theme"), longer);
    ASSERT_GE(row, 0);
    publications->setCurrentRow(row);
    form->DBNavigator3->button(DBNavigator::nbDelete)->click();
    EXPECT_EQ(dialogs.texts(), QStringList{"Delete record?"});
    EXPECT_EQ(serverValue(QStringLiteral("SELECT COUNT(*) FROM dbo.Publication WHERE id_publication = %1").arg(key)).toInt(), 0);
    EXPECT_LT(publications->locate(QStringLiteral("theme"), longer), 0);

    // A publication type in use stays, refused in the program's words.
    const int inUse = serverValue("SELECT COUNT(*) FROM dbo.Publication WHERE id_publicationType = 1").toInt();
    ASSERT_GT(inUse, 0);
    dialogs.clear();
    openItem(form->N5, [&](TForm2& editor) {
        Dataset* types = editor.DBGridEh1->dataset();
        types->setCurrentRow(types->locate(QStringLiteral("publicationType"), QStringLiteral("статья")));
        editor.DBNavigator1->button(DBNavigator::nbDelete)->click();
        EXPECT_EQ(types->fieldByName(QStringLiteral("publicationType")).asString(), "статья");
    });
    EXPECT_EQ(dialogs.texts(), (QStringList{"Delete record?",
                                            "Запись используется в профилях преподавателей и не может быть удалена."}));
    EXPECT_EQ(serverValue("SELECT COUNT(*) FROM dbo.PublicationType WHERE id_publicationType = 1").toInt(), 1);
    EXPECT_EQ(serverValue("SELECT COUNT(*) FROM dbo.Publication WHERE id_publicationType = 1").toInt(), inUse);
}

} // namespace
