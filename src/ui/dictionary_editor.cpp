#include "ui/dictionary_editor.h"

#include "controls/dialogs.h"
#include "data/data_module.h"
#include "ui/ask_to_save_pending.h"
#include "ui/table_export_menu.h"
#include "ui/ui_style.h"


TForm2* Form2 = nullptr;

namespace {

// The dataset when it holds a pending change.
QList<db::Dataset*> pendingIn(db::Dataset* dataset)
{
    if (dataset && dataset->isEditing())
        return {dataset};
    return {};
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_entryInUse(db::DatabaseError::Kind::ForeignKey,
                   QStringLiteral("Запись используется в профилях преподавателей и не может быть удалена."))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Шифры"));
    setFont(ui::windowFont());
    setFixedSize(331, 408);

    DBNavigator1 = ui::makeNavigator(this, {0, 0, 331, 25}, true);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBGridEh1 = new controls::DBGridEh(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setGeometry(0, 25, 331, 408 - 25);

    controls::GridColumn code;
    code.fieldName = QStringLiteral("spec_code");
    code.title = QStringLiteral("Шифр");
    code.width = 206;
    code.titleAlignment = Qt::AlignCenter;
    code.titleFont = ui::boldFont();
    DBGridEh1->setColumns({code});
    DBGridEh1->setAutoFitColWidths(true);
    if (DM_MB) {
        DBNavigator1->setDataSource(DM_MB->DS_Spec_Code);
        DBGridEh1->setDataSource(DM_MB->DS_Spec_Code);
    }
    ui::focusGridOnEdit(DBNavigator1, DBGridEh1);
    new ui::TableExportMenu(DBGridEh1);
    // Opens with the focus in the grid, where typing edits.
    DBGridEh1->setFocus();
}

// The speciality codes are always looked at. The dictionary shown is too:
// otherwise its unsaved change would outlive the window, to be posted by
// accident or lost later.
void TForm2::FormCloseQuery()
{
    DBGridEh1->commitEditor();
    ui::askToSavePending(pendingIn(DM_MB->ADOT_Spec_Code), false);
    if (db::DataSource* shown = DBGridEh1->dataSource(); shown && shown->dataset() != DM_MB->ADOT_Spec_Code)
        ui::askToSavePending(pendingIn(shown->dataset()), false);
}

void TForm2::done(int result)
{
    // A refused post is shown and the editor stays open with the record.
    if (controls::guarded([this] { FormCloseQuery(); }))
        QDialog::done(result);
}

const std::vector<Dictionary>& dictionaries()
{
    static const std::vector<Dictionary> all = {
        {"Ученая степень", &TDM_MB::DS_uch_step, "k5"},
        {"Ученое звание", &TDM_MB::DS_uch_zvanie, "k6"},
        {"Шифр специальности", nullptr, nullptr},
        {"Язык", &TDM_MB::DS_languages, "lang", true},
        {"Вид публикации", &TDM_MB::DS_PublicationType, "publicationType"},
    };
    return all;
}

void configureFor(TForm2& editor, const Dictionary& dictionary, TDM_MB& dataModule)
{
    if (!dictionary.source)
        return;
    const QString title = QString::fromUtf8(dictionary.title);
    db::DataSource* source = dataModule.*dictionary.source;
    editor.setWindowTitle(title);
    if (dictionary.readAfresh) {
        source->dataset()->close();
        source->dataset()->open();
    }
    editor.DBGridEh1->setDataSource(source);
    editor.DBNavigator1->setDataSource(source);
    controls::GridColumn column = editor.DBGridEh1->column(0);
    column.fieldName = QString::fromUtf8(dictionary.column);
    column.title = title;
    editor.DBGridEh1->setColumn(0, column);
}
