#include "data/data_module.h"

#include "data/embedded_get_user.h"
#include "data/schema.h"
#include "data/teacher_list.h"
#include "db/errors.h"
#include "db/sql_text.h"

#include <string_view>
#include <vector>

using db::Dataset;
using db::FieldDefinition;
using db::FieldType;

TDM_MB* DM_MB = nullptr;

namespace {

const QString kFioStatement = QStringLiteral(
    "SELECT     TOP (100) PERCENT dbo.t_fio.t_fio, dbo.t_fio.id_teacher\n"
    "FROM         dbo.Working INNER JOIN\n"
    "                      dbo.t_fio ON dbo.Working.id_teacher = dbo.t_fio.id_teacher\n"
    "GROUP BY dbo.t_fio.t_fio, dbo.t_fio.id_teacher\n"
    "ORDER BY dbo.t_fio.t_fio");

// A lookup field: name = keyField in dataset.lookupKeyField, showing resultField cut to size.
struct Lookup {
    const char* name;
    const char* keyField;
    Dataset* dataset;
    const char* lookupKeyField;
    const char* resultField;
    int size;
};

// The fields of a dataset that reads a table of the schema.
struct FieldsOf {
    const char* table;
    bool readOnly = false;
    // The column the lookups follow; the last one if none is named.
    const char* lookupsAfter = nullptr;
    std::vector<Lookup> lookups = {};
};

FieldDefinition fieldOf(const schema::Column& column, bool readOnly)
{
    FieldDefinition definition;
    definition.name = QString::fromLatin1(column.name);
    definition.type = *column.type;
    definition.size = column.size;
    definition.readOnly = readOnly || definition.type == FieldType::AutoIncrement;
    definition.minimum = column.minimum;
    definition.maximum = column.maximum;
    return definition;
}

// One field per column whose type is fixed, in the schema's order, with the
// lookups among them.
void defineTableFields(Dataset& dataset, const FieldsOf& fields)
{
    const std::vector<schema::Column>& columns = schema::table(fields.table).columns;
    const std::string_view lookupsAfter = fields.lookupsAfter ? fields.lookupsAfter : columns.back().name;
    for (const schema::Column& column : columns) {
        if (column.type)
            dataset.addField(fieldOf(column, fields.readOnly));
        if (column.name != lookupsAfter)
            continue;
        for (const Lookup& lookup : fields.lookups)
            dataset.addLookupField(QString::fromLatin1(lookup.name), QString::fromLatin1(lookup.keyField),
                                   lookup.dataset, QString::fromLatin1(lookup.lookupKeyField),
                                   QString::fromLatin1(lookup.resultField), lookup.size);
    }
}

} // namespace

TDM_MB::TDM_MB(QObject* parent)
    : QObject(parent)
    , ADOCon(new db::Connection(this))
{
    setObjectName(QStringLiteral("DM_MB"));
    registerEmbeddedGetUser();
    ADOQ_FIO = makeQuery(QStringLiteral("ADOQ_FIO"), kFioStatement);
    ADOQ_ScientificActivity = makeQuery(QStringLiteral("ADOQ_ScientificActivity"),
                                        QStringLiteral("Select TOP(0) ScientificActivity.* from ScientificActivity"));
    ADOQ_ScientificActivity->setLockType(Dataset::LockType::ReadOnly);
    ADOT_uch_step = makeTable(QStringLiteral("ADOT_uch_step"), QStringLiteral("uch_step"));
    ADOT_uch_zvanie = makeTable(QStringLiteral("ADOT_uch_zvanie"), QStringLiteral("uch_zvanie"));
    ADOT_Spec_Code = makeTable(QStringLiteral("ADOT_Spec_Code"), QStringLiteral("Spec_Code"));
    ADOQ_Level = makeQuery(QStringLiteral("ADOQ_Level"), QStringLiteral("Select * from Level"));
    ADOQ_languages =
        makeQuery(QStringLiteral("ADOQ_languages"), QStringLiteral("Select * from languages\norder by [lang]"));
    ADOQ_Lang_options =
        makeQuery(QStringLiteral("ADOQ_Lang_options"), QStringLiteral("select * from Language_OPTIONS"));
    ADOQ_anyQuery = makeQuery(QStringLiteral("ADOQ_anyQuery"), QString());
    ADOQ_Kafedra = makeQuery(QStringLiteral("ADOQ_Kafedra"), QString());
    ADOQ_Publication = makeQuery(QStringLiteral("ADOQ_Publication"), QString());
    ADOQ_PublicationType =
        makeQuery(QStringLiteral("ADOQ_PublicationType"), QStringLiteral("Select * from PublicationType"));
    ADOQ_teacher_skills = makeQuery(QStringLiteral("ADOQ_teacher_skills"), QString());
    ADOQ_organization = makeQuery(QStringLiteral("ADOQ_organization"), QString());
    ADOQ_organization_member = makeQuery(QStringLiteral("ADOQ_organization_member"), QString());
    ADOQ_year = makeQuery(QStringLiteral("ADOQ_year"),
                          QStringLiteral("select id_a_year,p32,u_god \nfrom a_year\nwhere u_god>2010"));

    defineFields();
    attachRules();

    DS_FIO = makeSource(QStringLiteral("DS_FIO"), ADOQ_FIO);
    DS_ScientificActivity = makeSource(QStringLiteral("DS_ScientificActivity"), ADOQ_ScientificActivity);
    DS_uch_step = makeSource(QStringLiteral("DS_uch_step"), ADOT_uch_step);
    DS_uch_zvanie = makeSource(QStringLiteral("DS_uch_zvanie"), ADOT_uch_zvanie);
    DS_Spec_Code = makeSource(QStringLiteral("DS_Spec_Code"), ADOT_Spec_Code);
    DS_languages = makeSource(QStringLiteral("DS_languages"), ADOQ_languages);
    DS_Lang_options = makeSource(QStringLiteral("DS_Lang_options"), ADOQ_Lang_options);
    DS_Kafedra = makeSource(QStringLiteral("DS_Kafedra"), ADOQ_Kafedra);
    DS_Publication = makeSource(QStringLiteral("DS_Publication"), ADOQ_Publication);
    DS_PublicationType = makeSource(QStringLiteral("DS_PublicationType"), ADOQ_PublicationType);
    DS_teacher_skills = makeSource(QStringLiteral("DS_teacher_skills"), ADOQ_teacher_skills);
    DS_organization_member = makeSource(QStringLiteral("DS_organization_member"), ADOQ_organization_member);
    DS_year = makeSource(QStringLiteral("DS_year"), ADOQ_year);
}

// Closing the connection closes every dataset on it, dropping what is
// pending: nothing is written on the way out.
TDM_MB::~TDM_MB()
{
    ADOCon->close();
}

Dataset* TDM_MB::makeQuery(const QString& name, const QString& statement)
{
    auto* dataset = new Dataset(name, Dataset::Kind::Query, ADOCon, this);
    dataset->setSql(statement);
    return dataset;
}

Dataset* TDM_MB::makeTable(const QString& name, const QString& table)
{
    auto* dataset = new Dataset(name, Dataset::Kind::Table, ADOCon, this);
    dataset->setTableName(table);
    return dataset;
}

db::DataSource* TDM_MB::makeSource(const QString& name, Dataset* dataset)
{
    return new db::DataSource(name, dataset, this);
}

void TDM_MB::defineFields()
{
    defineTableFields(*ADOQ_FIO, {.table = "t_fio", .readOnly = true});
    defineTableFields(*ADOQ_ScientificActivity,
                      {.table = "ScientificActivity",
                       .lookupsAfter = "theme",
                       .lookups = {{"uch_step", "id_uch_step", ADOT_uch_step, "id_uch_stepen", "k5", 10},
                                   {"uch_zvanie", "id_uch_zvanie", ADOT_uch_zvanie, "id_uch_zvanie", "k6", 10},
                                   {"FIO", "id_t_fio", ADOQ_FIO, "id_teacher", "t_fio", 50},
                                   {"spec_code", "id_spec_code", ADOT_Spec_Code, "id_spec_code", "spec_code", 20}}});
    defineTableFields(*ADOT_uch_step, {.table = "uch_step"});
    defineTableFields(*ADOT_uch_zvanie, {.table = "uch_zvanie"});
    defineTableFields(*ADOQ_languages, {.table = "languages"});
    defineTableFields(*ADOQ_Lang_options,
                      {.table = "Language_options",
                       .lookupsAfter = "id_teacher",
                       .lookups = {{"language", "id_lang", ADOQ_languages, "id_lang", "lang", 30},
                                   {"level", "id_level", ADOQ_Level, "id_Level", "l_level", 30}}});
    defineTableFields(*ADOQ_Kafedra, {.table = "kafedra"});
    defineTableFields(*ADOQ_Publication,
                      {.table = "Publication",
                       .lookups = {{"PublicationType", "id_publicationType", ADOQ_PublicationType, "id_publicationType",
                                    "publicationType", 20}}});
    defineTableFields(*ADOQ_PublicationType, {.table = "PublicationType"});
    defineTableFields(*ADOQ_teacher_skills, {.table = "teacher_skills"});
    defineTableFields(*ADOQ_organization, {.table = "Organization"});
    defineTableFields(*ADOQ_organization_member,
                      {.table = "organization_member",
                       .lookups = {{"Shrt_name", "id_organization", ADOQ_organization, "id_organization",
                                    "short_name", 20},
                                   {"Full_name", "id_organization", ADOQ_organization, "id_organization",
                                    "full_name", 400}}});
    defineTableFields(*ADOQ_year, {.table = "a_year"});
}

void TDM_MB::attachRules()
{
    auto rule = [this](void (TDM_MB::*handler)(Dataset&)) {
        return [this, handler](Dataset& dataset) { (this->*handler)(dataset); };
    };
    ADOQ_ScientificActivity->addBeforePost(rule(&TDM_MB::ADOQ_ScientificActivityBeforePost));
    ADOQ_Lang_options->addBeforePost(rule(&TDM_MB::ADOQ_Lang_optionsBeforePost));
    ADOQ_Publication->addBeforePost(rule(&TDM_MB::ADOQ_PublicationBeforePost));
    ADOQ_teacher_skills->addBeforePost(rule(&TDM_MB::ADOQ_teacher_skillsBeforePost));
    ADOQ_organization_member->addBeforePost(rule(&TDM_MB::ADOQ_organization_memberBeforePost));
    ADOQ_languages->addBeforePost(rule(&TDM_MB::ADOQ_languagesBeforePost));
    ADOT_uch_zvanie->addBeforePost(rule(&TDM_MB::ADOT_uch_zvanieBeforePost));
    ADOT_uch_step->addBeforePost(rule(&TDM_MB::ADOT_uch_stepBeforePost));
}

void TDM_MB::showTeacher(const QVariant& key)
{
    try {
        openTeacherSections(db::sqlKeyText(key));
    } catch (...) {
        for (Dataset* dataset : teacherBoundDatasets())
            dataset->close();
        throw;
    }
}

void TDM_MB::openTeacherSections(const QString& key)
{
    // Each dataset is read again as one change of its rows (its controls
    // stay bound); the lock type changes only on a closed dataset.
    if (ADOQ_ScientificActivity->lockType() != Dataset::LockType::Optimistic)
        ADOQ_ScientificActivity->close();
    ADOQ_ScientificActivity->setLockType(Dataset::LockType::Optimistic);
    ADOQ_ScientificActivity->requery(QStringLiteral("Select * from ScientificActivity where id_t_fio = ") + key);

    ADOQ_Lang_options->requery(QStringLiteral("select * from Language_options where id_teacher = ") + key);
    DS_Lang_options->setEnabled(true);

    ADOQ_Publication->requery(QStringLiteral("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=") + key);
    DS_Publication->setEnabled(true);

    ADOQ_teacher_skills->requery(QStringLiteral("SELECT *  FROM [QEL].[dbo].[teacher_skills] WHERE id_teacher=") + key);
    DS_teacher_skills->setEnabled(true);

    ADOQ_organization_member->requery(QStringLiteral("SELECT *  FROM [organization_member] WHERE id_teacher=") + key);
    DS_organization_member->setEnabled(true);

    ADOQ_PublicationType->open();
}

void TDM_MB::clearTeacher()
{
    ADOQ_ScientificActivity->close();
    ADOQ_ScientificActivity->setLockType(Dataset::LockType::ReadOnly);
    for (db::DataSource* source : {DS_Lang_options, DS_Publication, DS_teacher_skills, DS_organization_member})
        source->setEnabled(false);
}

void TDM_MB::listTeachers(const QVariant& yearKey, const QVariant& departmentKey)
{
    ADOQ_FIO->close();
    ADOQ_FIO->setSql(teacherListStatement(yearKey, departmentKey));
    ADOQ_FIO->open();
}

QList<Dataset*> TDM_MB::teacherBoundDatasets() const
{
    return {ADOQ_ScientificActivity, ADOQ_Lang_options, ADOQ_Publication, ADOQ_teacher_skills,
            ADOQ_organization_member};
}

QList<Dataset*> TDM_MB::datasets() const
{
    return findChildren<Dataset*>(QString(), Qt::FindDirectChildrenOnly);
}

QVariant TDM_MB::currentTeacherKey() const
{
    return m_session ? m_session->currentTeacherKey() : QVariant();
}

QString TDM_MB::signedInLogin() const
{
    return m_session ? m_session->signedInLogin() : QString();
}

QVariant TDM_MB::teacherKeyForPost() const
{
    const QVariant key = currentTeacherKey();
    if (key.isNull())
        throw db::DatabaseError(QString::fromUtf8(kNoTeacherChosen));
    return key;
}

void TDM_MB::stampTeacher(Dataset& dataset, const QString& field)
{
    dataset.fieldByName(field).setValue(teacherKeyForPost().toInt());
}

void TDM_MB::stampLogin(Dataset& dataset)
{
    dataset.fieldByName(QStringLiteral("QEL_user")).setValue(signedInLogin());
}

void TDM_MB::ADOQ_ScientificActivityBeforePost(Dataset& dataset)
{
    db::Field& key = dataset.fieldByName(QStringLiteral("id_t_fio"));
    if (key.isNull())
        key.setValue(teacherKeyForPost().toInt());
}

void TDM_MB::ADOQ_Lang_optionsBeforePost(Dataset& dataset)
{
    stampTeacher(dataset, QStringLiteral("id_teacher"));
}

void TDM_MB::ADOQ_PublicationBeforePost(Dataset& dataset)
{
    stampTeacher(dataset, QStringLiteral("id_teacher"));
}

void TDM_MB::ADOQ_teacher_skillsBeforePost(Dataset& dataset)
{
    stampTeacher(dataset, QStringLiteral("id_teacher"));
}

void TDM_MB::ADOQ_organization_memberBeforePost(Dataset& dataset)
{
    stampTeacher(dataset, QStringLiteral("id_teacher"));
}

void TDM_MB::ADOQ_languagesBeforePost(Dataset& dataset)
{
    stampLogin(dataset);
}

void TDM_MB::ADOT_uch_zvanieBeforePost(Dataset& dataset)
{
    stampLogin(dataset);
}

void TDM_MB::ADOT_uch_stepBeforePost(Dataset& dataset)
{
    stampLogin(dataset);
}
