#include "data/session_loading.h"

#include "data_fixture.h"

#include <QStringList>

using db::Dataset;

namespace {

QStringList column(Dataset* dataset, const QString& field)
{
    QStringList values;
    for (int row = 0; row < dataset->recordCount(); ++row)
        values << dataset->fieldByName(field).displayTextAt(row);
    return values;
}

using SessionLoading = DataModuleTest;

TEST_F(SessionLoading, LoadsTheUsersDepartmentsYearsAndSortedDictionaries)
{
    loadSessionData(dm);
    EXPECT_EQ(column(dm.ADOQ_Kafedra, "id_kafedra"), (QStringList{"1", "2", "4"}));
    for (const QString& year : column(dm.ADOQ_year, "p32"))
        EXPECT_GT(year.left(4).toInt(), 2010) << year.toStdString();
    EXPECT_EQ(dm.ADOQ_year->recordCount(), count("select count(*) from a_year where u_god > 2010"));

    QStringList degrees = column(dm.ADOT_uch_step, "k5");
    QStringList sorted = degrees;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(degrees, sorted);
    EXPECT_EQ(degrees.first(), "без степени");
    EXPECT_EQ(column(dm.ADOT_uch_zvanie, "k6").first(), "без звания");
    EXPECT_EQ(dm.ADOT_Spec_Code->fieldByName("spec_code").displayTextAt(0), "05.13.11"); // table order

    EXPECT_TRUE(dm.ADOQ_organization->isOpen());
    EXPECT_TRUE(dm.ADOQ_FIO->isOpen());
    EXPECT_EQ(dm.ADOQ_FIO->recordCount(), count("select count(distinct id_teacher) from Working"));
    EXPECT_TRUE(dm.ADOQ_ScientificActivity->isOpen());
    EXPECT_TRUE(dm.ADOQ_ScientificActivity->isEmpty());
    EXPECT_FALSE(dm.ADOQ_ScientificActivity->canModify());
    EXPECT_FALSE(refusal([&] { dm.ADOQ_ScientificActivity->append(); }).isEmpty());
    EXPECT_EQ(dm.ADOQ_ScientificActivity->recordCount(), 0);
}

TEST_F(SessionLoading, AUserWithoutDepartmentsAndALoginWithAnApostrophe)
{
    demo.sql(QStringLiteral("insert into QEL_User (id_QEL_user, QEL_login) values (40, 'd''Arc')"));
    session.login = QStringLiteral("d'Arc");
    loadSessionData(dm);
    EXPECT_EQ(dm.ADOQ_anyQuery->columnText("id_QEL_user"), "40");
    EXPECT_TRUE(dm.ADOQ_Kafedra->isOpen());
    EXPECT_TRUE(dm.ADOQ_Kafedra->isEmpty());
}

TEST_F(SessionLoading, ALoginWithoutUserRowFailsAtTheDepartmentStep)
{
    session.login = QStringLiteral("stranger");
    EXPECT_FALSE(refusal([&] { loadSessionData(dm); }).isEmpty());
    EXPECT_TRUE(dm.ADOQ_anyQuery->isOpen());
    EXPECT_FALSE(dm.ADOQ_Kafedra->isOpen());
    EXPECT_EQ(dm.ADOQ_Kafedra->sql().right(11), "id_login =)");
    EXPECT_FALSE(dm.ADOQ_organization->isOpen());
}

TEST_F(SessionLoading, AFailureAtTheOrganisationsLeavesTheLaterStepsUndone)
{
    db::embedded_faults::failStatementContaining(QStringLiteral("FROM Organization"), QStringLiteral("Invalid object"));
    EXPECT_EQ(refusal([&] { loadSessionData(dm); }), "Invalid object");
    EXPECT_TRUE(dm.ADOQ_anyQuery->isOpen());
    EXPECT_TRUE(dm.ADOQ_Kafedra->isOpen());
    for (Dataset* later : {dm.ADOQ_organization, dm.ADOQ_year, dm.ADOT_uch_step, dm.ADOT_uch_zvanie, dm.ADOT_Spec_Code,
                           dm.ADOQ_ScientificActivity, dm.ADOQ_FIO})
        EXPECT_FALSE(later->isOpen()) << later->name().toStdString();
}

TEST_F(SessionLoading, ALaterRunAfterTheConnectionClosedReadsCurrentRows)
{
    loadSessionData(dm);
    dm.ADOCon->close(); // a failed attempt closes the connection
    demo.sql(QStringLiteral("insert into a_year (id_a_year, p32, u_god) values (99, '2027/2028', 2027)"));
    demo.sql(QStringLiteral("insert into uch_step (k5) values ('аспирант')"));
    dm.ADOCon->open();
    loadSessionData(dm);
    for (Dataset* dataset : {dm.ADOQ_anyQuery, dm.ADOQ_Kafedra, dm.ADOQ_organization, dm.ADOQ_year, dm.ADOT_uch_step,
                             dm.ADOT_uch_zvanie, dm.ADOT_Spec_Code, dm.ADOQ_ScientificActivity, dm.ADOQ_FIO})
        EXPECT_TRUE(dataset->isOpen()) << dataset->name().toStdString();
    EXPECT_TRUE(column(dm.ADOQ_year, "p32").contains("2027/2028"));
    EXPECT_EQ(column(dm.ADOT_uch_step, "k5").first(), "аспирант");
}

} // namespace
