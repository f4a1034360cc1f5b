#include "main_window_fixture.h"

#include "controls/find_dialog.h"
#include "csv_reader.h"
#include "ui/report_preview.h"
#include "ui/reports_menu.h"
#include "ui/table_export_menu.h"

#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
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
    // Every grid of the main window has the menu, offering a file named after its section.
    for (const auto& [sectionGrid, name] : {std::pair{form->DBGridEh1, "Научная деятельность.csv"},
                                            std::pair{form->DBGridEh7, "Знание языков.csv"},
                                            std::pair{form->DBGridEh3, "Членство в организациях.csv"}}) {
        const auto* sectionMenu = sectionGrid->findChild<ui::TableExportMenu*>();
        ASSERT_NE(sectionMenu, nullptr) << name;
        EXPECT_FALSE(sectionMenu->exportCsv()); // no file chosen
        EXPECT_EQ(dialogs.suggestedNames().last(), QString::fromUtf8(name));
    }

    controls::DBGridEh* grid = form->DBGridEh2; // publications, with the type looked up
    auto* menu = grid->findChild<ui::TableExportMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(grid->actions(), (QList<QAction*>{menu->copyAction(), menu->exportAction()}));

    dialogs.planFile(file("grid.csv"));
    ASSERT_TRUE(menu->exportCsv());
    EXPECT_EQ(dialogs.suggestedNames().last(), "Публикации.csv");
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

} // namespace
