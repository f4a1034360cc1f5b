// The five profile sections of the main window: their grids, navigators,
// labels and memos, and the memos' save rule.
#include "ui/main_window.h"

#include "data/data_module.h"
#include "ui/ui_style.h"

#include <QGroupBox>
#include <QLabel>

using controls::DBGridEh;
using controls::GridColumn;

namespace {

GridColumn column(const QString& field, const QString& title, int width, bool alwaysShowEditButton = false)
{
    GridColumn c;
    c.fieldName = field;
    c.title = title;
    c.width = width;
    c.alwaysShowEditButton = alwaysShowEditButton;
    return c;
}

GridColumn boldTitled(GridColumn c)
{
    c.titleFont = ui::boldFont();
    return c;
}

DBGridEh* makeGrid(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* grid = new DBGridEh(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setGeometry(geometry);
    return grid;
}

db::DataSource* source(db::DataSource* TDM_MB::*member)
{
    return DM_MB ? DM_MB->*member : nullptr;
}

const QString kCompetences =
    QStringLiteral("Указать компетенции по шкале от 1(базовое знание) до 5(отличное знание)");

} // namespace

void TForm1::buildScientificActivity()
{
    DBGridEh1 = makeGrid(Panel1, "DBGridEh1", {0, 87, 1465, 120});
    DBGridEh1->setDataSource(source(&TDM_MB::DS_ScientificActivity));
    DBGridEh1->setColumns({
        boldTitled(column(QStringLiteral("uch_step"), QStringLiteral("Уч. степень"), 145, true)),
        boldTitled(column(QStringLiteral("uch_zvanie"), QStringLiteral("Уч. звание"), 124, true)),
        boldTitled(column(QStringLiteral("theme"), QStringLiteral("Тема дессертации"), 843)),
        boldTitled(column(QStringLiteral("spec_code"), QStringLiteral("Шифр специальности."), 174, true)),
        boldTitled(column(QStringLiteral("yearProtection"), QStringLiteral("Год защиты"), 146)),
    });
    DBGridEh1->setOptions(DBGridEh::dgEditing | DBGridEh::dgTitles | DBGridEh::dgIndicator | DBGridEh::dgColLines
                          | DBGridEh::dgRowLines | DBGridEh::dgTabs | DBGridEh::dgConfirmDelete
                          | DBGridEh::dgCancelOnExit);
    DBGridEh1->setOptionsEh(DBGridEh::dghFixed3D | DBGridEh::dghHighlightFocus | DBGridEh::dghClearSelection
                            | DBGridEh::dghEnterAsTab | DBGridEh::dghRowHighlight
                            | DBGridEh::dghDblClickOptimizeColWidth | DBGridEh::dghDialogFind);
    DBGridEh1->setAutoFitColWidths(true);
    DBGridEh1->setUseMultiTitle(true);
    DBGridEh1->setRowLines(1);
    DBGridEh1->setRowHeight(4);

    DBNavigator1 = ui::makeNavigator(Panel1, {1241, 207, 224, 25}, true);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(source(&TDM_MB::DS_ScientificActivity));
    ui::focusGridOnEdit(DBNavigator1, DBGridEh1);
}

void TForm1::buildLanguageSkills()
{
    GroupBox13 = new QGroupBox(QStringLiteral("Знание языков"), Content);
    GroupBox13->setObjectName(QStringLiteral("GroupBox13"));
    GroupBox13->setGeometry(0, 236, 1172, 166);
    GroupBox13->setFont(ui::boldFont());

    // Detached until the teacher rule attaches it.
    DBGridEh7 = makeGrid(GroupBox13, "DBGridEh7", {2, 16, 1160, 120});
    DBGridEh7->setFont(ui::windowFont());
    DBGridEh7->setTitleFont(ui::boldFont());
    const QString upper = kCompetences + u'|';
    DBGridEh7->setColumns({
        column(QStringLiteral("language"), QStringLiteral("Язык"), 348, true),
        column(QStringLiteral("level"), upper + QStringLiteral("Уровень знания "), 353, true),
        column(QStringLiteral("id_level_read"), upper + QStringLiteral("Чтение"), 130),
        column(QStringLiteral("id_level_speak"), upper + QStringLiteral("Разговор"), 126),
        column(QStringLiteral("id_level_write"), upper + QStringLiteral("Письмо"), 142),
    });
    DBGridEh7->setOptions(DBGridEh::dgEditing | DBGridEh::dgTitles | DBGridEh::dgIndicator
                          | DBGridEh::dgColumnResize | DBGridEh::dgColLines | DBGridEh::dgRowLines | DBGridEh::dgTabs
                          | DBGridEh::dgAlwaysShowSelection | DBGridEh::dgConfirmDelete | DBGridEh::dgCancelOnExit
                          | DBGridEh::dgMultiSelect);
    DBGridEh7->setOptionsEh(DBGridEh::dghFixed3D | DBGridEh::dghHighlightFocus | DBGridEh::dghClearSelection
                            | DBGridEh::dghEnterAsTab | DBGridEh::dghRowHighlight | DBGridEh::dghDialogFind);
    DBGridEh7->setAutoFitColWidths(true);
    DBGridEh7->setUseMultiTitle(true);

    DBNavigator2 = ui::makeNavigator(GroupBox13, {938, 136, 224, 25}, true);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->setFont(ui::windowFont());
    DBNavigator2->setDataSource(source(&TDM_MB::DS_Lang_options));
    ui::focusGridOnEdit(DBNavigator2, DBGridEh7);
}

void TForm1::buildPublications()
{
    Panel2 = new QWidget(Content);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 400, 1172, 219);
    PublicationsLabel = ui::captionLabel(Panel2, QStringLiteral("Список публикаций:"), 5, 5);

    DBGridEh2 = makeGrid(Panel2, "DBGridEh2", {0, 19, 1161, 173});
    DBGridEh2->setTitleFont(ui::boldFont());
    DBGridEh2->setDataSource(source(&TDM_MB::DS_Publication));
    DBGridEh2->setColumns({
        column(QStringLiteral("PublicationType"), QStringLiteral("Вид публикации"), 109),
        column(QStringLiteral("theme"), QStringLiteral("Тема"), 456),
        column(QStringLiteral("PublicationDate"), QStringLiteral("Дата публикации"), 132),
        column(QStringLiteral("Pages"), QStringLiteral("Страниц"), 74),
        column(QStringLiteral("Primech"), QStringLiteral("Примечание"), 335),
    });
    DBGridEh2->setOptions(DBGridEh::dgEditing | DBGridEh::dgAlwaysShowEditor | DBGridEh::dgTitles
                          | DBGridEh::dgIndicator | DBGridEh::dgColumnResize | DBGridEh::dgColLines
                          | DBGridEh::dgRowLines | DBGridEh::dgTabs | DBGridEh::dgConfirmDelete
                          | DBGridEh::dgCancelOnExit);
    DBGridEh2->setOptionsEh(DBGridEh::defaultOptionsEh());
    DBGridEh2->setAutoFitColWidths(true);

    DBNavigator3 = ui::makeNavigator(Panel2, {935, 191, 224, 25}, true);
    DBNavigator3->setObjectName(QStringLiteral("DBNavigator3"));
    DBNavigator3->setDataSource(source(&TDM_MB::DS_Publication));
    ui::focusGridOnEdit(DBNavigator3, DBGridEh2);
}

void TForm1::buildMemberships()
{
    Panel3 = new QWidget(Content);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(0, 619, 1172, 189);
    MembershipsLabel = ui::captionLabel(Panel3, QStringLiteral("Членство в различных организациях:"), 5, 1);

    DBGridEh3 = makeGrid(Panel3, "DBGridEh3", {0, 15, 1161, 146});
    DBGridEh3->setTitleFont(ui::boldFont());
    DBGridEh3->setDataSource(source(&TDM_MB::DS_organization_member));
    GridColumn fullName = column(QStringLiteral("Full_name"), QStringLiteral("Полное название"), 789);
    fullName.readOnly = true;
    DBGridEh3->setColumns({column(QStringLiteral("Shrt_name"), QStringLiteral("Краткое название"), 217), fullName});
    DBGridEh3->setOptions(DBGridEh::defaultOptions());
    DBGridEh3->setOptionsEh(DBGridEh::defaultOptionsEh());

    DBNavigator4 = ui::makeNavigator(Panel3, {936, 160, 224, 25}, false);
    DBNavigator4->setObjectName(QStringLiteral("DBNavigator4"));
    DBNavigator4->setDataSource(source(&TDM_MB::DS_organization_member));
    ui::focusGridOnEdit(DBNavigator4, DBGridEh3);
}

void TForm1::buildSkills()
{
    Panel4 = new QWidget(Content);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setGeometry(1175, 240, 301, 568);
    struct Memo {
        controls::DBMemo** member;
        const char* name;
        const char* field;
        const char* label;
        QRect geometry;
        QPoint labelAt;
    };
    const Memo memos[] = {
        {&DBMemo1, "DBMemo1", "personal_skills", "Личные навыки:", {5, 25, 292, 150}, {5, 11}},
        {&DBMemo2, "DBMemo2", "computer_skills", "Компьютерные навыки:", {6, 200, 291, 145}, {9, 185}},
        {&DBMemo3, "DBMemo3", "other_info", "Дополнительная информация:", {6, 377, 291, 169}, {8, 362}},
    };
    for (const Memo& m : memos) {
        ui::captionLabel(Panel4, QString::fromUtf8(m.label), m.labelAt.x(), m.labelAt.y());
        auto* memo = new controls::DBMemo(Panel4);
        memo->setObjectName(QLatin1String(m.name));
        memo->setGeometry(m.geometry);
        memo->setDataSource(source(&TDM_MB::DS_teacher_skills));
        memo->setDataField(QLatin1String(m.field));
        connect(memo, &controls::DBMemo::keyReleased, this, &TForm1::DBMemo1KeyUp);
        connect(memo, &controls::DBMemo::exited, this, [this] { m_skillsSaveRefused = false; });
        *m.member = memo;
    }
    if (DM_MB) {
        db::Dataset* skills = DM_MB->ADOQ_teacher_skills;
        connect(skills, &db::Dataset::stateChanged, this, [this, skills] {
            if (!skills->isEditing())
                m_skillsSaveRefused = false;
        });
        connect(skills, &db::Dataset::reset, this, [this] { m_skillsSaveRefused = false; });
    }
}

// One post per key release in any of the three memos: a teacher without a
// skills row gets one at the first, every later release updates it. While no
// teacher is shown (the skills closed, or their section disabled) there is
// nothing to save, and nothing is said: a message at every key release would
// follow the user's every attempt to close it. Nor is a refused save tried
// again at each key release (another program holding the database would
// freeze the window at every one): the refusal is shown once, and saving
// resumes once a memo is left or the record is posted, cancelled or read
// again.
void TForm1::DBMemo1KeyUp()
{
    const db::DataSource* source = DBMemo1->dataSource();
    if (!source || !source->isActive() || m_skillsSaveRefused)
        return;
    db::Dataset* skills = source->dataset();
    try {
        skills->edit();
        skills->post();
    } catch (...) {
        m_skillsSaveRefused = skills->isEditing();
        throw;
    }
}
