#include "main_window_fixture.h"

#include "controls/find_dialog.h"
#include "csv_reader.h"
#include "small_disk.h"
#include "ui/report_preview.h"
#include "ui/reports_menu.h"
#include "ui/table_export_menu.h"

#include <QClipboard>
#include <QDir>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTableView>
#include "controls/table_export.h"
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>

#include <gmock/gmock.h>

using db::Dataset;

namespace {

class ReportsWindowTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        ui::ReportPreview::setViewer({});
        MainWindowTest::TearDown();
    }
    QString file(const QString& name) const { return folder.filePath(name); }
    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
};

TEST_F(ReportsWindowTest, TheMenuWaitsForItsPickersAndADocumentShowsWhatIsStored)
{
    EXPECT_EQ(form->ReportsButton->text(), "Отчёты");
    EXPECT_EQ(form->ReportsButton->y(), form->SpeedButton1->y());
    ui::ReportsMenu& menu = *form->ReportsMenu;
    menu.updateActions();
    EXPECT_FALSE(menu.action("publications")->isEnabled());
    EXPECT_FALSE(menu.action("profile")->isEnabled());
    userSelects(form->DBLookupComboBox2, 16);
    userSelects(form->DBLookupComboBox1, 1);
    menu.updateActions();
    EXPECT_TRUE(menu.action("publications")->isEnabled());
    EXPECT_FALSE(menu.action("profile")->isEnabled());
    userSelects(form->DBLookupComboboxEh1, 1);
    menu.updateActions();
    EXPECT_TRUE(menu.action("profile")->isEnabled());

    // A publication typed but not posted is posted first, and is in the document.
    Dataset* publications = DM_MB->ADOQ_Publication;
    publications->append();
    publications->fieldByName(QStringLiteral("theme")).setValue(QStringLiteral("Новая статья о доставке отчётов"));
    publications->fieldByName(QStringLiteral("PublicationDate")).setValue(QDate(2024, 2, 1));
    ui::ReportPreview* preview = menu.show("profile");
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(publications->state(), Dataset::State::Browse);
    EXPECT_EQ(count("select count(*) from Publication where theme = 'Новая статья о доставке отчётов'"), 1);
    const QString text = preview->document().toPlainText();
    EXPECT_TRUE(text.contains("4. вид не указан: Новая статья о доставке отчётов. 01.02.2024")) << text.toStdString();
    EXPECT_EQ(preview->View->document(), &preview->document());
    preview->close(); // and goes
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A refused post makes no document; the record keeps what was typed.
    publications->append();
    publications->fieldByName(QStringLiteral("theme")).setValue(QStringLiteral("Отклонённая"));
    dialogs.clear();
    db::embedded_faults::failNextWrite(QStringLiteral("The server refuses"));
    EXPECT_EQ(menu.show("publications"), nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{"The server refuses"});
    EXPECT_EQ(publications->state(), Dataset::State::Insert);
    EXPECT_TRUE(form->findChildren<ui::ReportPreview*>().isEmpty());

    publications->cancel();
    preview = menu.show("publications");
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->document().toPlainText().contains("Итого по видам публикаций"));
}

TEST_F(ReportsWindowTest, ThePreviewSavesPdfAndOdtOrNothingAndOpensAPdfInTheViewer)
{
    chooseTeacher(1);
    ui::ReportPreview* preview = form->ReportsMenu->show("profile");
    ASSERT_NE(preview, nullptr);

    dialogs.planFile(file("profile.pdf"));
    EXPECT_TRUE(preview->savePdf());
    EXPECT_TRUE(contents(file("profile.pdf")).startsWith("%PDF-"));
    dialogs.planFile(file("profile.odt"));
    EXPECT_TRUE(preview->saveOdt());
    EXPECT_TRUE(contents(file("profile.odt")).startsWith("PK"));
    EXPECT_EQ(dialogs.suggestedNames(),
              (QStringList{"Иванов Сергей Петрович 2023-2024.pdf", "Иванов Сергей Петрович 2023-2024.odt"}));
    EXPECT_FALSE(preview->savePdf()); // cancelled
    dialogs.planFile(file("no such folder/profile.pdf"));
    EXPECT_FALSE(preview->savePdf());
    EXPECT_THAT(dialogs.texts().join('\n').toStdString(), ::testing::HasSubstr("Не удалось записать файл"));

    QString opened;
    ui::ReportPreview::setViewer([&](const QString& path) {
        opened = path;
        return true;
    });
    EXPECT_TRUE(preview->openInViewer());
    EXPECT_TRUE(opened.endsWith("Иванов Сергей Петрович 2023-2024.pdf"));
    EXPECT_TRUE(contents(opened).startsWith("%PDF-"));
    dialogs.clear();
    ui::ReportPreview::setViewer([](const QString&) { return false; });
    EXPECT_FALSE(preview->openInViewer());
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(preview->SaveCsvButton, nullptr); // the profile is no list

    // The list of works: its period chosen in the preview, its CSV.
    ui::ReportPreview* works = form->ReportsMenu->show("works");
    ASSERT_NE(works, nullptr);
    ASSERT_NE(works->FromYear, nullptr);
    EXPECT_EQ(works->PeriodKind, nullptr);
    EXPECT_EQ(works->ToYear->value(), QDate::currentDate().year());
    works->FromYear->setValue(2021);
    works->ToYear->setValue(2022);
    const QString text = works->document().toRawText();
    EXPECT_TRUE(text.contains(QStringLiteral("за 2021–2022 годы"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Распределённая обработка данных")));
    EXPECT_FALSE(text.contains(QStringLiteral("Проектирование корпоративных информационных систем")));
    ASSERT_NE(works->SaveCsvButton, nullptr);
    dialogs.planFile(file("works.csv"));
    EXPECT_TRUE(works->saveCsv());
    EXPECT_EQ(dialogs.suggestedNames().last(), "Список трудов Иванов Сергей Петрович 2021-2022.csv");
    EXPECT_EQ(readCsv(contents(file("works.csv"))).size(), 2);

    // The department's document: the academic year, or calendar years.
    ui::ReportPreview* department = form->ReportsMenu->show("publications");
    ASSERT_NE(department, nullptr);
    ASSERT_NE(department->PeriodKind, nullptr);
    EXPECT_FALSE(department->FromYear->isEnabled());
    department->PeriodKind->setCurrentIndex(1);
    EXPECT_TRUE(department->FromYear->isEnabled());
    EXPECT_TRUE(department->document().toRawText().contains(QStringLiteral("2023 год (с 01.01.2023 по 31.12.2023)")));
}

TEST_F(ReportsWindowTest, AGridsRowsGoToCsvAndTheClipboardAsShown)
{
    chooseTeacher(1);
    // Every grid of the main window has the menu, offering a file named after
    // its section and the teacher shown.
    for (const auto& [sectionGrid, name] : {std::pair{form->DBGridEh1, "Научная деятельность - Иванов Сергей Петрович.csv"},
                                            std::pair{form->DBGridEh7, "Знание языков - Иванов Сергей Петрович.csv"},
                                            std::pair{form->DBGridEh3, "Членство в организациях - Иванов Сергей Петрович.csv"}}) {
        const auto* sectionMenu = sectionGrid->findChild<ui::TableExportMenu*>();
        ASSERT_NE(sectionMenu, nullptr) << name;
        EXPECT_FALSE(sectionMenu->exportCsv()); // no file chosen
        EXPECT_EQ(dialogs.suggestedNames().last(), QString::fromUtf8(name));
    }
    EXPECT_EQ(ui::sectionFileName(QStringLiteral("Публикации"), QStringLiteral("Ким А/Б: \"О\""), QStringLiteral(".csv")),
              "Публикации - Ким АБ О.csv");
    EXPECT_EQ(ui::sectionFileName(QStringLiteral("Публикации"), QString(), QStringLiteral(".csv")), "Публикации.csv");

    controls::DBGridEh* grid = form->DBGridEh2; // publications, with the type looked up
    auto* menu = grid->findChild<ui::TableExportMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(grid->actions(), (QList<QAction*>{menu->copyAction(), menu->exportAction()}));

    dialogs.planFile(file("grid.csv"));
    ASSERT_TRUE(menu->exportCsv());
    EXPECT_EQ(dialogs.suggestedNames().last(), "Публикации - Иванов Сергей Петрович.csv");
    const QList<QStringList> rows = readCsv(contents(file("grid.csv")));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], (QStringList{"Вид публикации", "Тема", "Дата публикации", "Страниц", "Примечание"}));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(rows[row + 1].value(column), grid->cellText(row, column)) << row << ", " << column;
    EXPECT_TRUE(rows[1].contains("статья"));

    // The current cell, or the selected rows whole (by Ctrl+C too).
    grid->setCurrentCell(1, 1);
    menu->copyAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), grid->cellText(1, 1));
    grid->selectionModel()->select(grid->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    activate(form.get());
    grid->setFocus();
    // The grid's editor is always open: text selected in it is its own to
    // copy; with nothing selected there, Ctrl+C copies the grid's rows.
    auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), editor);
    editor->setSelection(0, 3);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), editor->text().left(3));
    editor->deselect();
    press(Qt::Key_C, Qt::ControlModifier);
    QStringList expected;
    for (const int row : {0, 2}) {
        QStringList cells;
        for (int column = 0; column < 5; ++column)
            cells << grid->cellText(row, column);
        expected << cells.join('\t');
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.join('\n'));
    // Rows selected bottom-up come out in the grid's order.
    grid->selectionModel()->clearSelection();
    grid->selectionModel()->select(grid->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    menu->copyAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.join('\n'));

    // A memo's and the find dialog's own copying go on as ever.
    form->DBMemo1->setFocus();
    form->DBMemo1->selectAll();
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), form->DBMemo1->toPlainText());
    grid->setFocus();
    press(Qt::Key_F, Qt::ControlModifier);
    activate(controls::FindDialog::instance());
    type(QStringLiteral("статья"));
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "статья");
    controls::FindDialog::instance()->close();

    // A multi-level title goes out as its own level.
    dialogs.planFile(file("languages.csv"));
    ASSERT_TRUE(form->DBGridEh7->findChild<ui::TableExportMenu*>()->exportCsv());
    EXPECT_EQ(readCsv(contents(file("languages.csv"))).value(0),
              (QStringList{"Язык", "Уровень знания", "Чтение", "Разговор", "Письмо"}));
}

// Framed by a real window manager (scripts/test_window_manager.sh, 1366 x 768),
// the preview and its buttons are inside the screen; headless it skips.
TEST_F(ReportsWindowTest, UnderAWindowManagerThePreviewFitsTheScreenWithItsFrame)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager: scripts/test_window_manager.sh";
    chooseTeacher(1);
    ui::ReportPreview* preview = form->ReportsMenu->show("profile");
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview->frameGeometry().height() > preview->height(); }, 5000));
    const QRect screen = preview->screen()->availableGeometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return screen.contains(preview->frameGeometry()); }, 3000))
        << preview->frameGeometry().y() << " + " << preview->frameGeometry().height();
    for (const QPushButton* button : preview->findChildren<QPushButton*>())
        EXPECT_TRUE(screen.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())))
            << button->text().toStdString();
    EXPECT_TRUE(screen.contains(form->frameGeometry()));
}

// The program's own save dialog: it starts where the last file went (at
// first not the program's folder), and a name typed without ".csv" gets it.
TEST_F(ReportsWindowTest, TheSaveDialogRemembersItsFolderAndAddsTheExtension)
{
    chooseTeacher(1);
    controls::installDialogs(nullptr);
    const auto restore = qScopeGuard([this] { controls::installDialogs(&dialogs); });
    auto* menu = form->DBGridEh2->findChild<ui::TableExportMenu*>();
    ASSERT_NE(menu, nullptr);
    QString shownIn;
    QString offered;
    const auto answerWith = [&](const QString& typed) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [&, poll, typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            shownIn = dialog->directory().absolutePath();
            offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            dialog->selectFile(typed);
            static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept, as its Save button
        });
        poll->start(10);
    };
    answerWith(file("first"));
    ASSERT_TRUE(menu->exportCsv());
    EXPECT_NE(QDir(shownIn), QDir(QCoreApplication::applicationDirPath()));
    EXPECT_EQ(offered, "Публикации - Иванов Сергей Петрович.csv");
    EXPECT_TRUE(QFile::exists(file("first.csv")));
    EXPECT_FALSE(QFile::exists(file("first")));

    answerWith(QStringLiteral("second"));
    ASSERT_TRUE(menu->exportCsv());
    EXPECT_EQ(QDir(shownIn), QDir(folder.path()));
    EXPECT_TRUE(QFile::exists(file("second.csv")));
    EXPECT_EQ(readCsv(contents(file("second.csv"))).value(0).value(1), "Тема");
}

// A copied cell stays one cell when pasted into a spreadsheet: a tab, a line
// break or a quote in it has the cell quoted, quotes doubled; the rest as is.
TEST(CopiedRows, ACellWithATabALineBreakOrAQuoteIsQuoted)
{
    QStandardItemModel model(2, 2);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("a\tb")));
    model.setItem(0, 1, new QStandardItem(QStringLiteral("c\nd")));
    model.setItem(1, 0, new QStandardItem(QStringLiteral("say \"hi\"")));
    model.setItem(1, 1, new QStandardItem(QStringLiteral("plain\r")));
    QTableView view;
    view.setModel(&model);
    view.setCurrentIndex(model.index(0, 1));
    EXPECT_EQ(controls::copiedText(view), "\"c\nd\"");
    view.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(controls::copiedText(view), "\"a\tb\"\t\"c\nd\"\n\"say \"\"hi\"\"\"\t\"plain\r\"");
}

// On a full disk every file the windows save is refused, naming the file and
// the system's reason, and a file of that name keeps what it held.
TEST_F(ReportsWindowTest, AFullDiskIsAFailedSaveAndTheOldFileStays)
{
    const testing_support::SmallDisk disk("reports-window");
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    const QString folderPath = QString::fromStdString(disk.folder().string());
    const QStringList names{"grid.csv", "profile.pdf", "profile.odt"};
    for (const QString& name : names) {
        QFile old(QDir(folderPath).filePath(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old file");
    }
    disk.fill();

    chooseTeacher(1);
    dialogs.planFile(QDir(folderPath).filePath("grid.csv"));
    EXPECT_FALSE(form->DBGridEh2->findChild<ui::TableExportMenu*>()->exportCsv());
    ui::ReportPreview* preview = form->ReportsMenu->show("profile");
    ASSERT_NE(preview, nullptr);
    dialogs.planFile(QDir(folderPath).filePath("profile.pdf"));
    EXPECT_FALSE(preview->savePdf());
    dialogs.planFile(QDir(folderPath).filePath("profile.odt"));
    EXPECT_FALSE(preview->saveOdt());

    const QStringList texts = dialogs.texts();
    ASSERT_EQ(texts.size(), 3) << texts.join('\n').toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(texts[i].startsWith("Не удалось записать файл " + QDir::toNativeSeparators(QDir(folderPath).filePath(names[i]))))
            << texts[i].toStdString();
        EXPECT_TRUE(texts[i].endsWith("No space left on device")) << texts[i].toStdString();
        EXPECT_EQ(contents(QDir(folderPath).filePath(names[i])), "the old file") << names[i].toStdString();
    }
    EXPECT_EQ(QDir(folderPath).entryList(QDir::Files), (QStringList{"filler", "grid.csv", "profile.odt", "profile.pdf"}));
}

} // namespace
