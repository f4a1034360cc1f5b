#include "demo_database.h"
#include "embedded_faults.h"
#include "lasting_process.h"
#include "odbc_test_driver.h"
#include "server_check.h"
#include "tds_server.h"

#include "data/schema.h"
#include "signin/get_user_reply.h"
#include "signin/text8.h"

#include <QFile>
#include <QRegularExpression>

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
    EXPECT_TRUE(has(lines, Outcome::Passed, "The profile tables refer to the dictionaries through foreign keys"));
    EXPECT_THAT(server_check::summary(lines).toStdString(), HasSubstr("The server is ready for QEL 23."));
}

TEST_F(ServerCheck, BrokenCopiesFailWithThePlainReason)
{
    demo.sql(QStringLiteral("ALTER TABLE Publication DROP COLUMN Primech"));
    demo.sql(QStringLiteral("ALTER TABLE ScientificActivity DROP COLUMN theme"));
    demo.sql(QStringLiteral("ALTER TABLE ScientificActivity ADD COLUMN theme VARCHAR(200)"));
    // Still unique, as the foreign key from Language_options needs, but not assigned by the server.
    demo.sql(QStringLiteral("CREATE TABLE plain_languages (id_lang INTEGER UNIQUE, lang VARCHAR(20), QEL_user VARCHAR(20))"));
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

// Another program may keep the shared server's schema without the key: the
// program works, and the check says what it lacks.
TEST_F(ServerCheck, AMissingForeignKeyIsAWarningNotAFailure)
{
    QString create = demo.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Language_options'")).toString();
    ASSERT_TRUE(create.contains(QLatin1String(" REFERENCES languages (id_lang)")));
    create.replace(QLatin1String(" REFERENCES languages (id_lang)"), QString());
    create.replace(QLatin1String("CREATE TABLE Language_options"), QLatin1String("CREATE TABLE plain_options"));
    demo.sql(create);
    demo.sql(QStringLiteral("INSERT INTO plain_options SELECT * FROM Language_options"));
    demo.sql(QStringLiteral("DROP TABLE Language_options"));
    demo.sql(QStringLiteral("ALTER TABLE plain_options RENAME TO Language_options"));

    server_check::Target overOdbc = target();
    overOdbc.backendFactory = odbc_test_driver::backendFactory();
    overOdbc.settings.DataSource = toText8(odbc_test_driver::dataSource(demo.path()));
    for (const server_check::Target& route : {target(), overOdbc}) {
        const auto lines = server_check::run(route);
        EXPECT_TRUE(failures(lines).empty()) << ::testing::PrintToString(failures(lines));
        const auto warning = std::find_if(lines.begin(), lines.end(),
                                          [](const Line& line) { return line.outcome == Outcome::Warning; });
        ASSERT_NE(warning, lines.end());
        EXPECT_EQ(server_check::format(*warning),
                  "[WARN] The profile tables refer to the dictionaries through foreign keys: none from "
                  "Language_options.id_lang to languages.id_lang; a dictionary entry in use can be deleted from "
                  "under the profiles");
        EXPECT_TRUE(server_check::allPassed(lines));
        EXPECT_THAT(server_check::summary(lines).toStdString(),
                    ::testing::AllOf(HasSubstr("0 failed, 1 warning, "),
                                     HasSubstr("The server is ready for QEL 23; see the warnings above.")));
    }
}

// The check takes a column's size from the schema table and accepts a wider
// one, so a size wrong in the table would pass every server: the table's text
// sizes are the reference schemas' own, for SQLite and for SQL Server alike,
// and Unicode text is nvarchar on both.
TEST(ServerCheckSchema, EveryTextSizeIsTheReferenceSchemasOwn)
{
    for (const char* script : {"sqlite/schema.sql", "sqlserver/schema.sql"}) {
        QFile file(QStringLiteral(QEL_SQL_DIR "/") + QLatin1String(script));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << script;
        const QString text = QString::fromUtf8(file.readAll());
        int compared = 0;
        for (const schema::Table& table : schema::tables()) {
            const QRegularExpression create(
                QStringLiteral(R"(CREATE TABLE (?:dbo\.)?\[?%1\]? \((.*?)\n\);)").arg(QLatin1String(table.name)),
                QRegularExpression::DotMatchesEverythingOption);
            const QRegularExpressionMatch block = create.match(text);
            ASSERT_TRUE(block.hasMatch()) << script << ": " << table.name;
            for (const schema::Column& column : table.columns) {
                if (column.size == 0)
                    continue;
                const QRegularExpression declared(
                    QStringLiteral(R"(^\s*%1\s+(N?)VARCHAR\((\d+)\))").arg(QLatin1String(column.name)),
                    QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
                const QRegularExpressionMatch found = declared.match(block.captured(1));
                ASSERT_TRUE(found.hasMatch()) << script << ": " << table.name << "." << column.name;
                EXPECT_EQ(found.captured(2).toInt(), column.size) << script << ": " << table.name << "." << column.name;
                EXPECT_EQ(!found.captured(1).isEmpty(), column.type == db::FieldType::WideString)
                    << script << ": " << table.name << "." << column.name;
                ++compared;
            }
        }
        EXPECT_GE(compared, 20) << script; // every text column with a size, not a few
    }
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

// GET_USER must refuse a blocked user and one whose password has expired
// without handing out their database login; a user it accepts fails the check.
TEST_F(ServerCheck, ARefusedUserGetsNoDatabaseLogin)
{
    const QString line = QStringLiteral("GET_USER refuses \"%1\" and hands out no database login");
    for (const auto& [login, password] : {std::pair{"blocked", "blocked2026"}, std::pair{"expired", "expired2026"}}) {
        auto route = target();
        route.refusedLogin = login;
        route.refusedPassword = password;
        const auto lines = server_check::run(route);
        EXPECT_TRUE(has(lines, Outcome::Passed, line.arg(login))) << login;
        EXPECT_TRUE(server_check::allPassed(lines)) << ::testing::PrintToString(failures(lines));
    }
    auto accepted = target();
    accepted.refusedLogin = "demo";
    accepted.refusedPassword = "demo2026";
    EXPECT_TRUE(has(server_check::run(accepted), Outcome::Failed, line.arg("demo") + ": it handed out"));
}

TEST(ServerCheckRefusedUser, ARefusalWithALoginOrPasswordFails)
{
    const auto reply = [](QVariant login, QVariant password, QVariant term, QVariant message, QVariant flag) {
        db::ResultSet row;
        row.columns.resize(kGetUserFieldCount);
        row.rows.push_back({login, password, 7, term, message, flag});
        return server_check::refusedUserVerdict(QStringLiteral("u"), row).outcome;
    };
    const QVariant null;
    EXPECT_EQ(reply(null, null, 60, QStringLiteral("blocked"), 0), Outcome::Passed);
    EXPECT_EQ(reply(null, null, -1, null, 0), Outcome::Passed);
    EXPECT_EQ(reply(null, null, 60, null, 2), Outcome::Passed);
    EXPECT_EQ(reply(QStringLiteral("x"), null, 60, QStringLiteral("blocked"), 0), Outcome::Failed);
    EXPECT_EQ(reply(null, QStringLiteral(""), -1, null, 0), Outcome::Failed);
    EXPECT_EQ(reply(null, null, 60, null, 1), Outcome::Failed); // accepted
    EXPECT_EQ(reply(null, null, QStringLiteral("soon"), null, 0), Outcome::Failed);
    EXPECT_EQ(server_check::refusedUserVerdict(QStringLiteral("u"), db::ResultSet{}).outcome, Outcome::Failed);
}

// Logins that differ only in letter case are the same login to the server.
TEST_F(ServerCheck, ALoginThatIsThereTwiceFails)
{
    demo.sql(QStringLiteral("DROP INDEX UQ_QEL_User_QEL_login"));
    demo.sql(QStringLiteral("INSERT INTO QEL_User VALUES (90, 'НОВЫЙ', 'x', 60, 'qel_x', 'x', NULL, 0)"));
    const auto lines = server_check::run(target());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const Line& line) {
        return line.outcome == Outcome::Failed
            && line.text.startsWith(QStringLiteral("No login of QEL_User is there twice: these are: \""))
            && line.text.contains(QStringLiteral("новый"), Qt::CaseInsensitive);
    }));
}

TEST_F(ServerCheck, TheToolReadsTheSettingsFileBesideItAndExitsWithTheOutcome)
{
    struct Run {
        int exitCode;
        std::string output;
    };
    const auto runTool = [](const QStringList& arguments, const QByteArray& input) {
        QProcess& tool = testing_support::lastingProcess();
        tool.start(QStringLiteral(QEL_CHECK_SERVER), arguments);
        tool.write(input);
        tool.closeWriteChannel();
        EXPECT_TRUE(tool.waitForFinished(60000));
        return Run{tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()).toStdString()};
    };
    const QStringList arguments{"--user", "demo", "--user-password", "-", "--server", demo.dataSource(),
                                "--database", "QEL", "--login", "qel_gate", "--password", "-"};
    Run run = runTool(arguments, "gate2026\ndemo2026\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("[ OK ] The user's database login \"qel_demo\" connects"));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("gate2026")));

    // A Cyrillic login and password arrive whole, on Windows too (wide command line).
    run = runTool({"--user", "новый", "--user-password", "пароль2026", "--server", demo.dataSource(), "--database",
                   "QEL", "--login", "qel_gate", "--password", "-"},
                  "gate2026\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;

    run = runTool(arguments + QStringList{"--refused-user", "blocked", "--refused-password", "-"},
                  "gate2026\ndemo2026\nblocked2026\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.output, HasSubstr("[ OK ] GET_USER refuses \"blocked\" and hands out no database login"));

    demo.sql(QStringLiteral("ALTER TABLE Publication DROP COLUMN Primech"));
    run = runTool(arguments, "gate2026\ndemo2026\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.output, HasSubstr("[FAIL] Table Publication has the columns the program uses: Primech is missing"));

    EXPECT_EQ(runTool({"--user", "demo"}, {}).exitCode, 2);
}

} // namespace

// The T-SQL server of the SQL Server stage, with the reference scripts as
// written: every check applies and passes, the user's login reading only the
// two columns of QEL_User it may read; a grant of a third is found.
TEST(ServerCheckOverTds, TheReferenceScriptsPassEveryCheck)
{
    if (!tds_server::available())
        GTEST_SKIP() << tds_server::skipReason();
    server_check::Target target;
    target.settings = {"qel_gate", "gate2026", "QEL", toText8(tds_server::dataSource())};
    target.userLogin = "demo";
    target.userPassword = "demo2026";
    target.refusedLogin = "blocked";
    target.refusedPassword = "blocked2026";
    // The check asks the backend itself, not one the tests wrap for their faults.
    std::vector<Line> lines;
    db::embedded_faults::exempt([&] { lines = server_check::run(target); });
    std::vector<std::string> notPassed;
    for (const Line& line : lines)
        if (line.outcome != Outcome::Passed)
            notPassed.push_back(line.text.toStdString());
    EXPECT_TRUE(notPassed.empty()) << ::testing::PrintToString(notPassed);
    EXPECT_GE(lines.size(), 47u);
    const auto passed = [&](const char* text) {
        return std::any_of(lines.begin(), lines.end(), [&](const Line& line) {
            return line.outcome == Outcome::Passed && line.text.startsWith(QString::fromUtf8(text));
        });
    };
    EXPECT_TRUE(passed("Table QEL_User has the columns the program uses"));
    EXPECT_TRUE(passed("The user's login cannot read password digests or database logins in QEL_User"));
    EXPECT_TRUE(passed("GET_USER refuses \"blocked\" and hands out no database login"));

    // The shift counts characters and shifts their code-page bytes: a
    // Cyrillic text with a trailing blank.
    auto admin = tds_server::connect(tds_server::adminLogin(), tds_server::adminPassword(), QStringLiteral("QEL"));
    EXPECT_EQ(admin->query(QStringLiteral("SELECT CAST(dbo.QEL_SHIFT(N'жё a ') AS varbinary(10))")).rows.value(0).value(0),
              QVariant(QByteArray("\xe5\xb7\x1f\x60\x1f")));

    admin->execute(QStringLiteral("GRANT SELECT ON dbo.QEL_User (password_md5) TO qel_user"));
    db::embedded_faults::exempt([&] { lines = server_check::run(target); });
    // This engine's REVOKE of a column does nothing: through its own port.
    tds_server::postgres(QStringLiteral("REVOKE SELECT (password_md5) ON qel_dbo.qel_user FROM qel_qel_user"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const Line& line) {
        return line.outcome == Outcome::Failed
            && line.text == QStringLiteral("The user's login cannot read password digests or database logins in "
                                           "QEL_User: it may read password_md5");
    }));
}
