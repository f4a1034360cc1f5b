#include "data_fixture.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using db::Dataset;

namespace {

const QString kScientificActivity = QStringLiteral("Select * from ScientificActivity where id_t_fio = ");
const QString kPublications = QStringLiteral("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=");
const QString kSkills = QStringLiteral("SELECT *  FROM [QEL].[dbo].[teacher_skills] WHERE id_teacher=");
const QString kMemberships = QStringLiteral("SELECT *  FROM [organization_member] WHERE id_teacher=");
const QString kLanguages = QStringLiteral("select * from Language_options where id_teacher = ");

TEST_F(DataModuleTest, SixteenDatasetsThirteenSourcesAllClosedAtCreation)
{
    TDM_MB fresh;
    EXPECT_EQ(fresh.datasets().size(), 16);
    EXPECT_EQ(fresh.findChildren<db::DataSource*>().size(), 13);
    EXPECT_FALSE(fresh.ADOCon->isOpen());
    for (const Dataset* dataset : fresh.datasets())
        EXPECT_FALSE(dataset->isOpen()) << dataset->name().toStdString();
    EXPECT_EQ(fresh.ADOQ_ScientificActivity->lockType(), Dataset::LockType::ReadOnly);
    EXPECT_EQ(fresh.ADOQ_year->sql(), "select id_a_year,p32,u_god \nfrom a_year\nwhere u_god>2010");
    EXPECT_EQ(fresh.ADOQ_languages->sql(), "Select * from languages\norder by [lang]");
}

TEST_F(DataModuleTest, ScientificActivityGetsTheTeacherOnlyWhenItHasNone)
{
    session.teacher = 5;
    openOn(dm.ADOQ_ScientificActivity, kScientificActivity, 5);
    EXPECT_TRUE(dm.ADOQ_ScientificActivity->isEmpty());
    dm.ADOQ_ScientificActivity->append();
    dm.ADOQ_ScientificActivity->fieldByName("theme").setValue(QStringLiteral("Новая тема"));
    dm.ADOQ_ScientificActivity->post();
    EXPECT_EQ(count("select id_t_fio from ScientificActivity where theme = 'Новая тема'"), 5);

    // A row that has its teacher keeps it, whoever is chosen now.
    dm.ADOQ_ScientificActivity->close();
    openOn(dm.ADOQ_ScientificActivity, kScientificActivity, 1);
    session.teacher = 7;
    dm.ADOQ_ScientificActivity->edit();
    dm.ADOQ_ScientificActivity->fieldByName("yearProtection").setValue(2010);
    dm.ADOQ_ScientificActivity->post();
    EXPECT_EQ(count("select id_t_fio from ScientificActivity where yearProtection = 2010"), 1);
}

TEST_F(DataModuleTest, TeacherBoundRowsAreStampedOnEveryPost)
{
    struct Case {
        Dataset* dataset;
        QString statement;
        const char* field;
        const char* table;
    };
    const Case cases[] = {
        {dm.ADOQ_Publication, kPublications, "Pages", "Publication"},
        {dm.ADOQ_teacher_skills, kSkills, "other_info", "teacher_skills"},
        {dm.ADOQ_organization_member, kMemberships, "id_organization", "organization_member"},
        {dm.ADOQ_Lang_options, kLanguages, "id_level_read", "Language_options"},
    };
    dm.ADOQ_organization->setSql(QStringLiteral("SELECT * FROM Organization"));
    for (const Case& c : cases) {
        openOn(c.dataset, c.statement, 2);
        session.teacher = 9; // another teacher is current: the changed row is stamped with it
        c.dataset->edit();
        c.dataset->fieldByName(QString::fromLatin1(c.field)).setValue(3);
        c.dataset->post();
        EXPECT_EQ(count(QStringLiteral("select count(*) from %1 where id_teacher = 9").arg(QLatin1String(c.table))), 1)
            << c.table;
        c.dataset->append();
        c.dataset->fieldByName(QString::fromLatin1(c.field)).setValue(4);
        c.dataset->post();
        EXPECT_EQ(count(QStringLiteral("select count(*) from %1 where id_teacher = 9").arg(QLatin1String(c.table))), 2)
            << c.table;
        c.dataset->close();
    }
}

TEST_F(DataModuleTest, DictionariesAreStampedWithTheLoginCutTo20)
{
    session.login = QStringLiteral("очень_длинный_логин_25сим");
    ASSERT_EQ(session.login.size(), 25);
    for (Dataset* dictionary : {dm.ADOT_uch_step, dm.ADOT_uch_zvanie, dm.ADOQ_languages}) {
        dictionary->open();
        dictionary->edit();
        dictionary->fieldByName(dictionary == dm.ADOT_uch_step ? "k5" : dictionary == dm.ADOT_uch_zvanie ? "k6" : "lang")
            .setValue(QStringLiteral("изменено"));
        dictionary->post();
        dictionary->append();
        dictionary->fieldByName(dictionary == dm.ADOT_uch_step ? "k5" : dictionary == dm.ADOT_uch_zvanie ? "k6" : "lang")
            .setValue(QStringLiteral("новое"));
        dictionary->post();
    }
    for (const char* table : {"uch_step", "uch_zvanie", "languages"})
        EXPECT_EQ(count(QStringLiteral("select count(*) from %1 where QEL_user = 'очень_длинный_логин_'")
                            .arg(QLatin1String(table))),
                  2)
            << table;

    // Speciality codes and publication kinds have no login column and no rule.
    for (Dataset* dictionary : {dm.ADOT_Spec_Code, dm.ADOQ_PublicationType}) {
        dictionary->open();
        dictionary->append();
        dictionary->fields().at(1)->setValue(QStringLiteral("XX.00.00"));
        dictionary->post();
        EXPECT_EQ(dictionary->findField(QStringLiteral("QEL_user")), nullptr);
    }
    EXPECT_EQ(count("select count(*) from Spec_Code where spec_code = 'XX.00.00'"), 1);
    EXPECT_EQ(count("select count(*) from PublicationType where publicationType = 'XX.00.00'"), 1);
}

TEST_F(DataModuleTest, NoTeacherChosenRefusesThePostAndKeepsTheRecord)
{
    openOn(dm.ADOQ_Publication, kPublications, 1);
    session.teacher = QVariant(); // the picker was emptied; the old rows are still there
    dm.ADOQ_Publication->edit();
    dm.ADOQ_Publication->fieldByName("Pages").setValue(999);
    EXPECT_EQ(refusal([&] { dm.ADOQ_Publication->post(); }), QString::fromUtf8(kNoTeacherChosen));
    EXPECT_EQ(dm.ADOQ_Publication->state(), Dataset::State::Edit);
    EXPECT_EQ(dm.ADOQ_Publication->fieldByName("Pages").value().toInt(), 999);
    EXPECT_EQ(count("select count(*) from Publication where id_teacher is null or Pages = 999"), 0);

    dm.ADOQ_Publication->cancel();
    dm.ADOQ_Publication->append();
    dm.ADOQ_Publication->fieldByName("theme").setValue(QStringLiteral("без преподавателя"));
    EXPECT_FALSE(refusal([&] { dm.ADOQ_Publication->post(); }).isEmpty());
    EXPECT_EQ(dm.ADOQ_Publication->state(), Dataset::State::Insert);
    EXPECT_EQ(count("select count(*) from Publication where theme = 'без преподавателя'"), 0);

    session.teacher = 1;
    dm.ADOQ_Publication->post();
    EXPECT_EQ(count("select id_teacher from Publication where theme = 'без преподавателя'"), 1);
}

TEST_F(DataModuleTest, LookupsOpenTheirDatasetsFirstAndShowTheirTextsWhole)
{
    session.teacher = 1;
    openOn(dm.ADOQ_Lang_options, kLanguages, 1);
    EXPECT_TRUE(dm.ADOQ_languages->isOpen());
    EXPECT_TRUE(dm.ADOQ_Level->isOpen());
    EXPECT_EQ(dm.ADOQ_Lang_options->fieldByName("language").asString(), "английский");

    demo.sql(QStringLiteral("update uch_step set k5 = 'кандидат технических наук' where id_uch_stepen = 1"));
    const int longName = demo.scalar("select id_teacher from t_fio where length(t_fio) > 50").toInt();
    demo.sql(QStringLiteral("insert into Working (id_teacher) values (%1)").arg(longName));
    demo.sql(QStringLiteral("update ScientificActivity set id_t_fio = %1 where id_t_fio = 1").arg(longName));
    openOn(dm.ADOQ_ScientificActivity, kScientificActivity, longName);
    for (Dataset* lookup : {dm.ADOT_uch_step, dm.ADOT_uch_zvanie, dm.ADOQ_FIO, dm.ADOT_Spec_Code})
        EXPECT_TRUE(lookup->isOpen()) << lookup->name().toStdString();
    // Lookup texts show whole, past the lookup fields' sizes of 10 and 50.
    EXPECT_EQ(dm.ADOQ_ScientificActivity->fieldByName("uch_step").asString(), "кандидат технических наук");
    EXPECT_EQ(dm.ADOQ_ScientificActivity->fieldByName("FIO").asString(),
              demo.scalar(QStringLiteral("select t_fio from t_fio where id_teacher = %1").arg(longName)).toString());
}

TEST_F(DataModuleTest, LevelsOutsideOneToFiveAreRefused)
{
    session.teacher = 1;
    openOn(dm.ADOQ_Lang_options, kLanguages, 1);
    dm.ADOQ_Lang_options->edit();
    for (const char* name : {"id_level_read", "id_level_speak", "id_level_write"}) {
        db::Field& level = dm.ADOQ_Lang_options->fieldByName(QString::fromLatin1(name));
        const QVariant before = level.value();
        EXPECT_EQ(refusal([&] { level.setAsString("0"); }),
                  QStringLiteral("0 is not a valid value for field '%1'. The allowed range is 1 to 5").arg(name));
        EXPECT_EQ(refusal([&] { level.setAsString("6"); }),
                  QStringLiteral("6 is not a valid value for field '%1'. The allowed range is 1 to 5").arg(name));
        EXPECT_EQ(level.value(), before);
        level.setAsString("1");
        level.setAsString("5");
        EXPECT_EQ(level.value().toInt(), 5);
    }
    dm.ADOQ_Lang_options->post();
    EXPECT_EQ(count("select count(*) from Language_options where id_level_read = 5 and id_level_speak = 5 "
                    "and id_level_write = 5 and id_teacher = 1"),
              1);
}

} // namespace
