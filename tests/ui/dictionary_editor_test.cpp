#include "main_window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

using DictionaryEditorTest = MainWindowTest;

TEST_F(DictionaryEditorTest, EachItemShowsItsCaptionTitleAndDictionary)
{
    struct Item {
        QAction* action;
        const char* caption;
        const char* title;
        const char* field;
        db::DataSource* source;
    };
    const Item items[] = {
        {form->N1, "Ученая степень", "Ученая степень", "k5", DM_MB->DS_uch_step},
        {form->N2, "Ученое звание", "Ученое звание", "k6", DM_MB->DS_uch_zvanie},
        {form->N3, "Шифры", "Шифр", "spec_code", DM_MB->DS_Spec_Code},
        {form->N4, "Язык", "Язык", "lang", DM_MB->DS_languages},
        {form->N5, "Вид публикации", "Вид публикации", "publicationType", DM_MB->DS_PublicationType},
    };
    for (const Item& item : items) {
        openItem(item.action, [&](TForm2& editor) {
            EXPECT_EQ(editor.windowTitle(), QString::fromUtf8(item.caption));
            EXPECT_EQ(editor.DBGridEh1->column(0).title, QString::fromUtf8(item.title));
            EXPECT_EQ(editor.DBGridEh1->column(0).fieldName, QLatin1String(item.field));
            EXPECT_EQ(editor.DBGridEh1->column(0).width, 206);
            EXPECT_EQ(editor.DBGridEh1->column(0).titleAlignment, Qt::AlignCenter);
            EXPECT_EQ(editor.DBGridEh1->dataSource(), item.source);
            EXPECT_EQ(editor.DBNavigator1->dataSource(), item.source);
            EXPECT_EQ(editor.size(), QSize(331, 408));
        });
    }
    QStringList captions;
    for (QAction* action : form->PopupMenu1->actions())
        captions << action->text();
    EXPECT_EQ(captions, (QStringList{"Ученая степень", "Ученое звание", "Шифр специальности", "Язык", "Вид публикации"}));
}

// The reference-books menu from the keyboard: the button reached by Tab
// opens it with Space, arrows and Return choose an item; in the editor
// Ctrl+C copies the current cell; once it has closed the focus is back on
// the button.
TEST_F(DictionaryEditorTest, TheMenuWorksFromTheKeyboard)
{
    activate(form.get());
    form->DBLookupComboBox2->setFocus();
    press(Qt::Key_Tab); // past the two pickers not yet enabled
    ASSERT_EQ(QApplication::focusWidget(), form->ReportsButton); // left of it
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->SpeedButton1);
    QString copied;
    QString shownDegree;
    QTimer::singleShot(0, [&] {
        ASSERT_EQ(QApplication::activePopupWidget(), form->PopupMenu1);
        QTest::keyClick(form->PopupMenu1, Qt::Key_Down);
        EXPECT_EQ(form->PopupMenu1->activeAction(), form->N1);
        QTimer::singleShot(0, [&] {
            ASSERT_NE(Form2, nullptr);
            activate(Form2);
            shownDegree = Form2->DBGridEh1->cellText(Form2->DBGridEh1->currentIndex().row(), 0);
            press(Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            press(Qt::Key_Escape);
        });
        QTest::keyClick(form->PopupMenu1, Qt::Key_Return);
    });
    press(Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form2, nullptr);
    EXPECT_FALSE(shownDegree.isEmpty());
    EXPECT_EQ(copied, shownDegree);
    EXPECT_EQ(QApplication::focusWidget(), form->SpeedButton1);
}

TEST_F(DictionaryEditorTest, LanguagesAreReadAfreshEachTime)
{
    demo.sql(QStringLiteral("insert into languages (lang) values ('суахили')"));
    for (int time = 1; time <= 2; ++time)
        openItem(form->N4, [](TForm2&) {});
    EXPECT_EQ(sent(QStringLiteral("Select * from languages\norder by [lang]")), 2);
    EXPECT_GE(DM_MB->ADOQ_languages->locate(QStringLiteral("lang"), QStringLiteral("суахили")), 0);
}

TEST_F(DictionaryEditorTest, ANewDegreeIsOfferedAtOnceInTheScientificActivity)
{
    chooseTeacher(1);
    openItem(form->N1, [](TForm2& editor) {
        db::Dataset* degrees = editor.DBGridEh1->dataset();
        degrees->append();
        degrees->fieldByName(QStringLiteral("k5")).setValue(QStringLiteral("магистр"));
        degrees->post();
    });
    EXPECT_EQ(demo.scalar("select QEL_user from uch_step where k5 = 'магистр'").toString(), "demo");
    db::Dataset* activity = DM_MB->ADOQ_ScientificActivity;
    activity->edit();
    activity->fieldByName(QStringLiteral("uch_step")).setValue(QStringLiteral("магистр"));
    activity->post();
    EXPECT_EQ(form->DBGridEh1->model()->index(0, 0).data().toString(), "магистр");
}

TEST_F(DictionaryEditorTest, ClosingWithAPendingCodeAsksAndKeepsOrDropsIt)
{
    for (const auto answer : {controls::Button::Yes, controls::Button::No}) {
        dialogs.clear();
        dialogs.plan(answer);
        const QString code = answer == controls::Button::Yes ? QStringLiteral("99.99.01") : QStringLiteral("99.99.02");
        openItem(form->N3, [&](TForm2& editor) {
            db::Dataset* codes = editor.DBGridEh1->dataset();
            codes->append();
            codes->fieldByName(QStringLiteral("spec_code")).setValue(code);
        });
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(dialogs.messages().first().caption, "Уведомление");
        EXPECT_EQ(dialogs.texts().first(), "Были сделаны изменения.\rВы хотите сохранить?");
        EXPECT_EQ(dialogs.messages().first().buttons, (QList<controls::Button>{controls::Button::Yes, controls::Button::No}));
        EXPECT_EQ(count(QStringLiteral("select count(*) from Spec_Code where spec_code = '%1'").arg(code)),
                  answer == controls::Button::Yes ? 1 : 0);
        EXPECT_EQ(DM_MB->ADOT_Spec_Code->state(), db::Dataset::State::Browse);
    }
}

TEST_F(DictionaryEditorTest, APendingChangeInTheShownDictionaryIsAskedAboutToo)
{
    dialogs.plan(controls::Button::No);
    openItem(form->N2, [](TForm2& editor) {
        db::Dataset* titles = editor.DBGridEh1->dataset();
        titles->edit();
        titles->fieldByName(QStringLiteral("k6")).setValue(QStringLiteral("изменено"));
    });
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(DM_MB->ADOT_uch_zvanie->state(), db::Dataset::State::Browse);
    EXPECT_EQ(count("select count(*) from uch_zvanie where k6 = 'изменено'"), 0);

    openItem(form->N2, [](TForm2&) {}); // nothing pending: nothing asked
    EXPECT_EQ(dialogs.messages().size(), 1);
}

// The editor opens with the focus in its grid, and + takes it into the new
// row: what is typed is what ✓ stores. One Escape drops a cell's typed text,
// the next closes the window.
TEST_F(DictionaryEditorTest, TypingGoesIntoTheGridAndEscapeDropsTheTextFirst)
{
    bool focusInGrid = false;
    openItem(form->N1, [&](TForm2& editor) {
        activate(&editor);
        focusInGrid = editor.DBGridEh1->hasFocusInside();
        editor.DBNavigator1->button(controls::DBNavigator::nbInsert)->click();
        type(QStringLiteral("магистр наук"));
        editor.DBNavigator1->button(controls::DBNavigator::nbPost)->click();
    });
    EXPECT_TRUE(focusInGrid);
    EXPECT_EQ(count("select count(*) from uch_step where k5 = 'магистр наук' and QEL_user = 'demo'"), 1);
    EXPECT_EQ(count("select count(*) from uch_step where k5 is null or k5 = ''"), 0);

    bool openAfterFirst = false;
    bool openAfterSecond = true;
    openItem(form->N2, [&](TForm2& editor) {
        activate(&editor);
        editor.DBGridEh1->setCurrentCell(0, 0);
        type(QStringLiteral("забыто"));
        press(Qt::Key_Escape);
        openAfterFirst = editor.isVisible() && !editor.DBGridEh1->cellEditor();
        press(Qt::Key_Escape);
        openAfterSecond = editor.isVisible();
    });
    EXPECT_TRUE(openAfterFirst);
    EXPECT_FALSE(openAfterSecond);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(DM_MB->ADOT_uch_zvanie->state(), db::Dataset::State::Browse);
    EXPECT_EQ(count("select count(*) from uch_zvanie where k6 like '%забыто%'"), 0);
}

// A language that a teacher's language row uses stays, with a plain message;
// one that nobody uses goes.
TEST_F(DictionaryEditorTest, AnEntryInUseIsNotDeletedFromUnderTheProfiles)
{
    chooseTeacher(1);
    const int german = count("select id_lang from languages where lang = 'немецкий'");
    const QString usedBy = QStringLiteral("select count(*) from Language_options where id_teacher = 1 and id_lang = %1")
                               .arg(german);
    ASSERT_EQ(count(usedBy), 1);
    demo.sql(QStringLiteral("insert into languages (lang) values ('суахили')"));
    int rowsAfterRefusal = 0;
    QString currentAfterRefusal;
    openItem(form->N4, [&](TForm2& editor) {
        activate(&editor);
        db::Dataset* languages = editor.DBGridEh1->dataset();
        languages->setCurrentRow(languages->locate(QStringLiteral("lang"), QStringLiteral("немецкий")));
        const int rows = editor.DBGridEh1->model()->rowCount();
        editor.DBGridEh1->setFocus();
        press(Qt::Key_Delete, Qt::ControlModifier); // "Delete record?": OK
        rowsAfterRefusal = rows - editor.DBGridEh1->model()->rowCount();
        currentAfterRefusal = languages->fieldByName(QStringLiteral("lang")).asString();

        languages->setCurrentRow(languages->locate(QStringLiteral("lang"), QStringLiteral("суахили")));
        editor.DBNavigator1->button(controls::DBNavigator::nbDelete)->click();
    });
    EXPECT_EQ(dialogs.texts(), (QStringList{"Delete record?",
                                            "Запись используется в профилях преподавателей и не может быть удалена.",
                                            "Delete record?"}));
    EXPECT_EQ(rowsAfterRefusal, 0);
    EXPECT_EQ(currentAfterRefusal, "немецкий");
    EXPECT_EQ(count("select count(*) from languages where lang = 'немецкий'"), 1);
    EXPECT_EQ(count(usedBy), 1);
    db::Dataset* teachersLanguages = DM_MB->ADOQ_Lang_options;
    teachersLanguages->setCurrentRow(teachersLanguages->locate(QStringLiteral("id_lang"), german));
    EXPECT_EQ(teachersLanguages->fieldByName(QStringLiteral("language")).asString(), "немецкий");
    EXPECT_EQ(count("select count(*) from languages where lang = 'суахили'"), 0);
    EXPECT_LT(DM_MB->ADOQ_languages->locate(QStringLiteral("lang"), QStringLiteral("суахили")), 0);
}

TEST_F(DictionaryEditorTest, ARefusedPostKeepsTheEditorOpen)
{
    dialogs.plan(controls::Button::Yes);
    bool stayedOpen = false;
    openItem(form->N3, [&](TForm2& editor) {
        db::Dataset* codes = editor.DBGridEh1->dataset();
        codes->append();
        codes->fieldByName(QStringLiteral("spec_code")).setValue(QStringLiteral("00.00.00"));
        db::embedded_faults::failNextWrite(QStringLiteral("Violation of UNIQUE KEY constraint"));
        QTest::keyClick(&editor, Qt::Key_Escape); // closing: the post is refused
        stayedOpen = editor.isVisible();
        dialogs.plan(controls::Button::No);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(dialogs.texts().contains(QStringLiteral("Violation of UNIQUE KEY constraint")));
    EXPECT_EQ(count("select count(*) from Spec_Code where spec_code = '00.00.00'"), 0);
}

} // namespace
