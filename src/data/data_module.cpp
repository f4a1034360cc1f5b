#include "data/data_module.h"

#include "data/embedded_get_user.h"
#include "db/errors.h"

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

FieldDefinition field(const QString& name, FieldType type, int size = 0)
{
    FieldDefinition definition;
    definition.name = name;
    definition.type = type;
    definition.size = size;
    definition.readOnly = type == FieldType::AutoIncrement;
    return definition;
}

FieldDefinition readOnly(FieldDefinition definition)
{
    definition.readOnly = true;
    return definition;
}

FieldDefinition level(const QString& name)
{
    FieldDefinition definition = field(name, FieldType::Integer);
    definition.minimum = 1;
    definition.maximum = 5;
    return definition;
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
    ADOQ_FIO->addField(readOnly(field(QStringLiteral("id_teacher"), FieldType::AutoIncrement)));
    ADOQ_FIO->addField(readOnly(field(QStringLiteral("t_fio"), FieldType::String, 152)));

    Dataset* sa = ADOQ_ScientificActivity;
    sa->addField(field(QStringLiteral("id_ScientificActivity"), FieldType::AutoIncrement));
    sa->addField(field(QStringLiteral("id_t_fio"), FieldType::Integer));
    sa->addField(field(QStringLiteral("id_uch_step"), FieldType::Integer));
    sa->addField(field(QStringLiteral("id_uch_zvanie"), FieldType::Integer));
    sa->addField(field(QStringLiteral("id_spec_code"), FieldType::Integer));
    sa->addField(field(QStringLiteral("theme"), FieldType::WideString, 200));
    sa->addLookupField(QStringLiteral("uch_step"), QStringLiteral("id_uch_step"), ADOT_uch_step,
                       QStringLiteral("id_uch_stepen"), QStringLiteral("k5"), 10);
    sa->addLookupField(QStringLiteral("uch_zvanie"), QStringLiteral("id_uch_zvanie"), ADOT_uch_zvanie,
                       QStringLiteral("id_uch_zvanie"), QStringLiteral("k6"), 10);
    sa->addLookupField(QStringLiteral("FIO"), QStringLiteral("id_t_fio"), ADOQ_FIO, QStringLiteral("id_teacher"),
                       QStringLiteral("t_fio"), 50);
    sa->addLookupField(QStringLiteral("spec_code"), QStringLiteral("id_spec_code"), ADOT_Spec_Code,
                       QStringLiteral("id_spec_code"), QStringLiteral("spec_code"), 20);
    sa->addField(field(QStringLiteral("val1"), FieldType::WideString, 300));
    sa->addField(field(QStringLiteral("val2"), FieldType::WideString, 300));
    sa->addField(field(QStringLiteral("val3"), FieldType::WideString, 300));
    sa->addField(field(QStringLiteral("yearProtection"), FieldType::SmallInt));

    ADOT_uch_step->addField(field(QStringLiteral("k5"), FieldType::String, 20));
    ADOT_uch_step->addField(field(QStringLiteral("QEL_user"), FieldType::String, 20));
    ADOT_uch_step->addField(field(QStringLiteral("id_uch_stepen"), FieldType::Integer));

    ADOT_uch_zvanie->addField(field(QStringLiteral("id_uch_zvanie"), FieldType::Integer));
    ADOT_uch_zvanie->addField(field(QStringLiteral("k6"), FieldType::String, 20));
    ADOT_uch_zvanie->addField(field(QStringLiteral("QEL_user"), FieldType::String, 20));

    ADOQ_languages->addField(field(QStringLiteral("id_lang"), FieldType::Integer));
    ADOQ_languages->addField(field(QStringLiteral("lang"), FieldType::String, 20));
    ADOQ_languages->addField(field(QStringLiteral("QEL_user"), FieldType::String, 20));

    Dataset* lo = ADOQ_Lang_options;
    lo->addField(field(QStringLiteral("QEL_User"), FieldType::String, 20));
    lo->addField(field(QStringLiteral("QEL_Update"), FieldType::Date));
    lo->addField(field(QStringLiteral("id_lang_options"), FieldType::AutoIncrement));
    lo->addField(field(QStringLiteral("id_lang"), FieldType::Integer));
    lo->addField(field(QStringLiteral("id_level"), FieldType::Integer));
    lo->addField(field(QStringLiteral("id_teacher"), FieldType::Integer));
    lo->addLookupField(QStringLiteral("language"), QStringLiteral("id_lang"), ADOQ_languages, QStringLiteral("id_lang"),
                       QStringLiteral("lang"), 30);
    lo->addLookupField(QStringLiteral("level"), QStringLiteral("id_level"), ADOQ_Level, QStringLiteral("id_Level"),
                       QStringLiteral("l_level"), 30);
    lo->addField(level(QStringLiteral("id_level_read")));
    lo->addField(level(QStringLiteral("id_level_speak")));
    lo->addField(level(QStringLiteral("id_level_write")));

    ADOQ_Kafedra->addField(field(QStringLiteral("id_kafedra"), FieldType::Integer));
    ADOQ_Kafedra->addField(field(QStringLiteral("f1"), FieldType::String, 200));

    Dataset* pub = ADOQ_Publication;
    pub->addField(field(QStringLiteral("id_publicationType"), FieldType::Integer));
    pub->addField(field(QStringLiteral("theme"), FieldType::String, 200));
    pub->addField(field(QStringLiteral("id_teacher"), FieldType::Integer));
    pub->addField(field(QStringLiteral("Pages"), FieldType::Integer));
    pub->addField(field(QStringLiteral("PublicationDate"), FieldType::DateTime));
    pub->addField(field(QStringLiteral("Primech"), FieldType::String, 200));
    pub->addLookupField(QStringLiteral("PublicationType"), QStringLiteral("id_publicationType"), ADOQ_PublicationType,
                        QStringLiteral("id_publicationType"), QStringLiteral("publicationType"), 20);

    ADOQ_PublicationType->addField(field(QStringLiteral("id_publicationType"), FieldType::Integer));
    ADOQ_PublicationType->addField(field(QStringLiteral("publicationType"), FieldType::String, 20));

    ADOQ_teacher_skills->addField(field(QStringLiteral("personal_skills"), FieldType::String, 500));
    ADOQ_teacher_skills->addField(field(QStringLiteral("computer_skills"), FieldType::String, 500));
    ADOQ_teacher_skills->addField(field(QStringLiteral("other_info"), FieldType::String, 500));
    ADOQ_teacher_skills->addField(field(QStringLiteral("id_teacher"), FieldType::Integer));

    ADOQ_organization->addField(field(QStringLiteral("id_organization"), FieldType::Integer));
    ADOQ_organization->addField(field(QStringLiteral("short_name"), FieldType::String, 20));
    ADOQ_organization->addField(field(QStringLiteral("full_name"), FieldType::String, 400));

    Dataset* om = ADOQ_organization_member;
    om->addField(field(QStringLiteral("id_organization"), FieldType::Integer));
    om->addField(field(QStringLiteral("id_teacher"), FieldType::Integer));
    om->addLookupField(QStringLiteral("Shrt_name"), QStringLiteral("id_organization"), ADOQ_organization,
                       QStringLiteral("id_organization"), QStringLiteral("short_name"), 20);
    om->addLookupField(QStringLiteral("Full_name"), QStringLiteral("id_organization"), ADOQ_organization,
                       QStringLiteral("id_organization"), QStringLiteral("full_name"), 400);

    ADOQ_year->addField(field(QStringLiteral("id_a_year"), FieldType::Integer));
    ADOQ_year->addField(field(QStringLiteral("p32"), FieldType::String, 20));
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
