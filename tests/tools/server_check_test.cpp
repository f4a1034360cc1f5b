#include "demo_database.h"
#include "odbc_test_driver.h"
#include "server_check.h"

#include "signin/text8.h"

#include <QProcess>

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using server_check::Line;
using server_check::Outcome;

namespace {

class ServerCheck : public ::testing::Test {
protected:
    server_check::Target target(const std::string& gatewayPassword = "gate2026") const
    {
        server_check::Target t;
        t.settings = {"qel_gate", gatewayPassword, "QEL", toText8(demo.dataSource())};
        t.userLogin = "demo";
        t.userPassword = "demo2026";
        return t;
    }
    static std::vector<std::string> failures(const std::vector<Line>& lines)
    {
        std::vector<std::string> texts;
        for (const Line& line : lines)
            if (line.outcome == Outcome::Failed)
                texts.push_back(line.text.toStdString());
        return texts;
    }
    static bool has(const std::vector<Line>& lines, Outcome outcome, const QString& text)
    {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const Line& line) { return line.outcome == outcome && line.text.contains(text); });
    }

    DemoDatabase demo;
};

TEST_F(ServerCheck, TheDemoDatabasePassesEveryCheckThatApplies)
{
    std::vector<QString> reported;
    const auto lines = server_check::run(target(), [&](const Line& line) { reported.push_back(line.text); });
    EXPECT_TRUE(failures(lines).empty()) << ::testing::PrintToString(failures(lines));
    EXPECT_TRUE(server_check::allPassed(lines));
    EXPECT_EQ(reported.size(), lines.size()); // each line reported as it is known
    EXPECT_TRUE(has(lines, Outcome::Passed, "may run GET_USER"));
    EXPECT_TRUE(has(lines, Outcome::Passed, "Table Publication has a key that the server assigns"));
    EXPECT_TRUE(has(lines, Outcome::Passed, "may insert, change and delete rows"));
    EXPECT_TRUE(has(lines, Outcome::NotApplicable, "collation")); // the embedded server has none
    EXPECT_THAT(server_check::summary(lines).toStdString(), HasSubstr("The server is ready for QEL 23."));
}

TEST_F(ServerCheck, BrokenCopiesFailWithThePlainReason)
{
    demo.sql(QStringLiteral("ALTER TABLE Publication DROP COLUMN Primech"));
    demo.sql(QStringLiteral("ALTER TABLE ScientificActivity DROP COLUMN theme"));
    demo.sql(QStringLiteral("ALTER TABLE ScientificActivity ADD COLUMN theme VARCHAR(200)"));
    demo.sql(QStringLiteral("CREATE TABLE plain_languages (id_lang INTEGER, lang VARCHAR(20), QEL_user VARCHAR(20))"));
    demo.sql(QStringLiteral("INSERT INTO plain_languages SELECT id_lang, lang, QEL_user FROM languages"));
    demo.sql(QStringLiteral("DROP TABLE languages"));
    demo.sql(QStringLiteral("ALTER TABLE plain_languages RENAME TO languages"));
    demo.sql(QStringLiteral("UPDATE server_logins SET role = 'user' WHERE login = 'qel_gate'"));
    const auto lines = server_check::run(target());
    EXPECT_THAT(failures(lines),
                ::testing::UnorderedElementsAre(
                    "Table Publication has the columns the program uses: Primech is missing",
                    "Table ScientificActivity has the columns the program uses: theme is 8-bit text of 200 characters, "
                    "the program needs Unicode text (nvarchar) of at least 200 characters",
                    "Table languages: key id_lang is an identity column, the primary key: the table has no identity "
                    "column: new rows would get no key",
                    "The gateway login can neither read nor change the tables: it may SELECT on ScientificActivity; "
                    "SELECT on Language_options; SELECT on Publication and 18 more"));
    EXPECT_FALSE(server_check::allPassed(lines));
    EXPECT_THAT(server_check::summary(lines).toStdString(), HasSubstr("4 failed"));
}

TEST_F(ServerCheck, ASignInThatFailsStopsWhereItFails)
{
    auto lines = server_check::run(target("wrong"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(server_check::format(lines[0]).toStdString(),
                HasSubstr("[FAIL] The gateway login \"qel_gate\" connects to database QEL"));
    EXPECT_THAT(lines[0].text.toStdString(), HasSubstr("Login failed for user 'qel_gate'"));

    server_check::Target unknownUser = target();
    unknownUser.userPassword = "not-the-password";
    lines = server_check::run(unknownUser);
    EXPECT_TRUE(has(lines, Outcome::Failed, "GET_USER accepts the test user \"demo\": it answered \"Неверный логин или пароль\""));
    EXPECT_FALSE(has(lines, Outcome::Passed, "Table"));
}

TEST_F(ServerCheck, OverARealOdbcDriverTheTablesAreChecked)
{
    server_check::Target overOdbc = target();
    overOdbc.backendFactory = odbc_test_driver::backendFactory();
    overOdbc.settings.DataSource = toText8(odbc_test_driver::dataSource(demo.path()));
    auto lines = server_check::run(overOdbc);
    EXPECT_TRUE(failures(lines).empty()) << ::testing::PrintToString(failures(lines));
    EXPECT_TRUE(has(lines, Outcome::Passed, "Table teacher_skills has a key that the server assigns"));
    EXPECT_TRUE(has(lines, Outcome::NotApplicable, "GET_USER"));

    demo.sql(QStringLiteral("ALTER TABLE Organization DROP COLUMN full_name"));
    lines = server_check::run(overOdbc);
    EXPECT_EQ(failures(lines),
              std::vector<std::string>{"Table Organization has the columns the program uses: full_name is missing"});
}

TEST(ServerCheckCollation, OnlyCyrillicCaseInsensitiveCollationsPass)
{
    EXPECT_TRUE(server_check::isCyrillicCaseInsensitive("Cyrillic_General_CI_AS"));
    EXPECT_TRUE(server_check::isCyrillicCaseInsensitive("Cyrillic_General_100_CI_AI"));
    EXPECT_FALSE(server_check::isCyrillicCaseInsensitive("Cyrillic_General_CS_AS"));
    EXPECT_FALSE(server_check::isCyrillicCaseInsensitive("Cyrillic_General_BIN"));
    EXPECT_FALSE(server_check::isCyrillicCaseInsensitive("SQL_Latin1_General_CP1_CI_AS"));
    EXPECT_FALSE(server_check::isCyrillicCaseInsensitive("Latin1_General_CI_AS"));
}

TEST_F(ServerCheck, TheToolReadsTheSettingsFileBesideItAndExitsWithTheOutcome)
{
    QProcess tool;
    tool.setProgram(QStringLiteral(QEL_CHECK_SERVER));
    tool.setArguments({"--user", "demo", "--user-password", "-", "--server", demo.dataSource(), "--database", "QEL",
                       "--login", "qel_gate", "--password", "-"});
    tool.start();
    tool.write("gate2026\ndemo2026\n");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString output = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_EQ(tool.exitCode(), 0) << output.toStdString();
    EXPECT_THAT(output.toStdString(), HasSubstr("[ OK ] The user's database login \"qel_demo\" connects"));
    EXPECT_THAT(output.toStdString(), ::testing::Not(HasSubstr("gate2026")));

    demo.sql(QStringLiteral("ALTER TABLE Publication DROP COLUMN Primech"));
    tool.start();
    tool.write("gate2026\ndemo2026\n");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_THAT(QString::fromUtf8(tool.readAllStandardOutput()).toStdString(),
                HasSubstr("[FAIL] Table Publication has the columns the program uses: Primech is missing"));

    tool.setArguments({"--user", "demo"});
    tool.start();
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 2);
}

} // namespace
