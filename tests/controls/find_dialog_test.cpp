#include "control_database.h"

#include "controls/db_grid.h"
#include "controls/find_dialog.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using controls::DBGridEh;
using controls::FindDialog;

namespace {

class FindDialogTest : public ControlDatabase {
protected:
    void SetUp() override
    {
        ControlDatabase::SetUp();
        data = query(QStringLiteral("select * from items"));
        source = std::make_unique<db::DataSource>(QStringLiteral("DS"), data.get());
        grid = std::make_unique<DBGridEh>();
        QList<controls::GridColumn> columns;
        for (const auto& [field, title] : {std::pair{"name", "Name"}, {"issued", "Issued"}, {"note", "Note"}}) {
            controls::GridColumn c;
            c.fieldName = QString::fromLatin1(field);
            c.title = QString::fromLatin1(title);
            columns << c;
        }
        grid->setColumns(columns);
        grid->setDataSource(source.get());
        data->open();
    }
    void TearDown() override
    {
        if (FindDialog::exists())
            FindDialog::instance()->close();
        grid.reset();
        ControlDatabase::TearDown();
    }
    template <typename W>
    static W* part(const char* name)
    {
        return FindDialog::instance()->findChild<W*>(QString::fromLatin1(name));
    }
    void find(const QString& text, const QString& in, const QString& match, const QString& direction)
    {
        part<QLineEdit>("findWhat")->setText(text);
        part<QComboBox>("findIn")->setCurrentText(in);
        part<QComboBox>("match")->setCurrentText(match);
        part<QComboBox>("search")->setCurrentText(direction);
        part<QPushButton>("findNext")->click();
    }
    QPair<int, int> cell() const { return {grid->currentIndex().row(), grid->currentColumn()}; }

    std::unique_ptr<db::Dataset> data;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<DBGridEh> grid;
};

TEST_F(FindDialogTest, OneFixedDialogWithItsControlsAndPresets)
{
    grid->setCurrentCell(0, 1);
    grid->openFindDialog();
    FindDialog* dialog = FindDialog::instance();
    EXPECT_EQ(dialog->windowTitle(), "Find text");
    EXPECT_EQ(dialog->size(), QSize(505, 124));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_TRUE(dialog->isVisible());

    // Each label selects its control with Alt and the marked letter.
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text() + " -> " + (label->buddy() ? label->buddy()->objectName() : QString());
    EXPECT_EQ(labels, QStringList({"Fi&nd What: -> findWhat", "Find &in: -> findIn", "Matc&h: -> match",
                                   "Sea&rch: -> search"}));

    auto items = [](const QComboBox* box) {
        QStringList all;
        for (int i = 0; i < box->count(); ++i)
            all << box->itemText(i);
        return all;
    };
    EXPECT_EQ(items(part<QComboBox>("findIn")), QStringList({"<All>", "Name", "Issued", "Note"}));
    EXPECT_EQ(part<QComboBox>("findIn")->currentText(), "Issued");
    EXPECT_EQ(items(part<QComboBox>("match")),
              QStringList({"From any part of field", "Whole field", "From beging of field"}));
    EXPECT_EQ(part<QComboBox>("match")->currentIndex(), 0);
    EXPECT_EQ(items(part<QComboBox>("search")), QStringList({"Up", "Down", "All"}));
    EXPECT_EQ(part<QComboBox>("search")->currentText(), "All");
    EXPECT_EQ(part<QCheckBox>("matchCase")->text(), "Match &Case");
    EXPECT_FALSE(part<QCheckBox>("matchCase")->isChecked());
    EXPECT_EQ(part<QCheckBox>("matchFormat")->text(), "Match F&ormat");
    EXPECT_TRUE(part<QCheckBox>("matchFormat")->isChecked());
    EXPECT_EQ(part<QPushButton>("findNext")->text(), "&Find next");
    EXPECT_EQ(part<QPushButton>("close")->text(), "Close");

    // The same dialog serves another grid, preset to that grid's column.
    DBGridEh other;
    other.setColumns(grid->columns());
    other.setDataSource(source.get());
    other.setCurrentCell(0, 2);
    other.openFindDialog();
    EXPECT_EQ(FindDialog::instance(), dialog);
    EXPECT_EQ(dialog->grid(), &other);
    EXPECT_EQ(part<QComboBox>("findIn")->currentText(), "Note");
}

TEST_F(FindDialogTest, TwoLevelTitlesGoByTheirLowerLevelAndEveryChoiceFits)
{
    QList<controls::GridColumn> columns = grid->columns();
    columns[1].title = QStringLiteral("Сведения|Issued");
    columns[2].title = QStringLiteral("Сведения|Note");
    grid->setColumns(columns);
    grid->setUseMultiTitle(true);
    grid->setCurrentCell(0, 2);
    grid->openFindDialog();
    auto* findIn = part<QComboBox>("findIn");
    QStringList items;
    int widest = 0;
    for (int i = 0; i < findIn->count(); ++i) {
        items << findIn->itemText(i);
        widest = std::max(widest, findIn->fontMetrics().horizontalAdvance(findIn->itemText(i)));
    }
    EXPECT_EQ(items, QStringList({"<All>", "Name", "Issued (Сведения)", "Note (Сведения)"}));
    EXPECT_EQ(findIn->currentText(), "Note (Сведения)");
    EXPECT_GE(findIn->view()->minimumWidth(), widest);
    for (const char* name : {"match", "search"}) {
        const auto* box = part<QComboBox>(name);
        EXPECT_GE(box->width(), box->sizeHint().width()) << name;
        EXPECT_LT(box->geometry().right(), part<QCheckBox>("matchCase")->x()) << name;
    }
    EXPECT_EQ(findIn->width(), part<QComboBox>("match")->width());
    EXPECT_LE(part<QCheckBox>("matchFormat")->geometry().right(), part<QPushButton>("findNext")->x());
}

TEST_F(FindDialogTest, NoMatchShowsTheTextLookedFor)
{
    grid->openFindDialog();
    find("zzz", "<All>", "From any part of field", "All");
    EXPECT_EQ(dialogs.texts(), QStringList({"String \"zzz\" not found."}));
    EXPECT_EQ(cell(), qMakePair(0, 0));
}

TEST_F(FindDialogTest, DirectionsMoveFromTheCurrentCell)
{
    grid->openFindDialog();
    find("a", "Name", "From any part of field", "Down");
    EXPECT_EQ(cell(), qMakePair(1, 0));
    EXPECT_EQ(data->currentRow(), 1);
    find("a", "Name", "From any part of field", "Down");
    EXPECT_EQ(cell(), qMakePair(2, 0));
    find("a", "Name", "From any part of field", "Down");
    EXPECT_EQ(dialogs.texts(), QStringList({"String \"a\" not found."}));
    find("a", "Name", "From any part of field", "Up");
    EXPECT_EQ(cell(), qMakePair(1, 0));
    find("gamma", "Name", "From any part of field", "Up");
    EXPECT_EQ(dialogs.texts().size(), 2);
    find("alpha", "<All>", "Whole field", "All"); // wraps around
    EXPECT_EQ(cell(), qMakePair(0, 0));
    // Over all columns a row is searched left to right.
    find("ir", "<All>", "From any part of field", "Down");
    EXPECT_EQ(cell(), qMakePair(0, 2));
}

TEST_F(FindDialogTest, MatchKindCaseAndFormat)
{
    grid->openFindDialog();
    find("eta", "Name", "From beging of field", "All");
    EXPECT_EQ(dialogs.texts().size(), 1);
    find("BET", "Name", "From beging of field", "All");
    EXPECT_EQ(cell(), qMakePair(1, 0));
    part<QCheckBox>("matchCase")->setChecked(true);
    find("GAMMA", "Name", "Whole field", "All");
    EXPECT_EQ(dialogs.texts().size(), 2);
    part<QCheckBox>("matchCase")->setChecked(false);
    find("gamm", "Name", "Whole field", "All");
    EXPECT_EQ(dialogs.texts().size(), 3);

    // Match Format compares the shown date, otherwise the value's own text.
    find("31.12.2025", "Issued", "Whole field", "All");
    EXPECT_EQ(cell(), qMakePair(2, 1));
    part<QCheckBox>("matchFormat")->setChecked(false);
    find("31.12.2025", "Issued", "Whole field", "All");
    EXPECT_EQ(dialogs.texts().size(), 4);
    find("2024-03-01", "Issued", "Whole field", "All");
    EXPECT_EQ(cell(), qMakePair(0, 1));
}

} // namespace
