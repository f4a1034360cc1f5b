// The tools, run as built: the facts of the demo database that sign-in and the
// windows rely on, the builders' all-or-nothing replacement of their output
// file, and the settings writer's options, standard input and safe writing.
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "signin/connection_settings.h"
#include "signin/password_digest.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kSqlDir = QEL_SQL_DIR;

// The shell command that runs `tool` with `arguments`, each quoted.
std::string toolCommand(const std::string& tool, const std::vector<std::string>& arguments)
{
    std::string command = "'" + tool + "'";
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    return command;
}

#ifdef _WIN32
// Runs a tool and waits for it; returns its exit code.
int runTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    // The arguments reach the tool joined by spaces: each one is quoted.
    std::vector<std::string> quoted{'"' + tool + '"'};
    for (const auto& argument : arguments)
        quoted.push_back('"' + argument + '"');
    std::vector<const char*> argv;
    for (const auto& argument : quoted)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return static_cast<int>(_spawnv(_P_WAIT, tool.c_str(), argv.data()));
}
#else
int exitCode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a tool with its output discarded; returns its exit code.
int runTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    return exitCode(std::system((toolCommand(tool, arguments) + " >/dev/null 2>&1").c_str()));
}
#endif

int buildDemo(const fs::path& output, const std::string& data = kSqlDir + "/demo_data.sql")
{
    return runTool(QEL_MAKE_DEMO_DB, {"--schema", kSqlDir + "/schema.sql", "--data", data, "--output", output.string()});
}

// A folder of its own per test, removed afterwards.
fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::temp_directory_path() / ("qel-tools-" + name + "-" + std::to_string(platform::currentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// A database opened read-only, queried for single columns of text.
class Database {
public:
    explicit Database(const fs::path& path)
    {
        sqlite3* handle = nullptr;
        const int code = sqlite3_open_v2(path.string().c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
        db_.reset(handle);
        if (code != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.string());
    }
    // First column of every row; NULL reads as "<null>".
    std::vector<std::string> column(const std::string& sql) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_.get()) + (": " + sql));
        const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, sqlite3_finalize);
        std::vector<std::string> values;
        while (sqlite3_step(raw) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(raw, 0);
            values.emplace_back(text ? reinterpret_cast<const char*>(text) : "<null>");
        }
        return values;
    }
    std::string text(const std::string& sql) const
    {
        const auto values = column(sql);
        return values.empty() ? "<no row>" : values.front();
    }
    long long number(const std::string& sql) const { return std::stoll(text(sql)); }

private:
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, sqlite3_close};
};

// Year, department and teacher triples of the teaching load, from each source.
const std::string kLoadViaRrnk = "SELECT DISTINCT e.id_a_year, e.id_kafedra, r.id_teacher FROM educ_sh e"
                                 " JOIN RRNK r ON r.id_educ_sh = e.id_educ_sh";
const std::string kLoadViaKrdt = "SELECT DISTINCT id_a_year, id_kafedra, id_teacher FROM RRNKkrdt";

class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = freshFolder("demo");
        ASSERT_EQ(buildDemo(folder_ / "demo.db"), 0);
        db_ = std::make_unique<Database>(folder_ / "demo.db");
    }
    void SetUp() override { ASSERT_TRUE(db_) << "the demo database was not built"; }
    static void TearDownTestSuite()
    {
        db_.reset();
        fs::remove_all(folder_);
    }
    static const Database& db() { return *db_; }

private:
    static inline fs::path folder_;
    static inline std::unique_ptr<Database> db_;
};

TEST_F(DemoDatabase, EveryTableHasOnlyDeclaredTypesTheDataLayerKnows)
{
    for (const char* table : {"ScientificActivity", "Language_options", "Publication", "teacher_skills",
                              "organization_member", "uch_step", "uch_zvanie", "Spec_Code", "languages",
                              "PublicationType", "t_fio", "Working", "a_year", "kafedra", "User_Kafedra", "QEL_User",
                              "educ_sh", "RRNK", "RRNKkrdt", "Organization", "Level", "server_logins"})
        EXPECT_EQ(db().number(std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '")
                              + table + "'"), 1) << table;

    const std::regex known(R"(INTEGER|SMALLINT|N?VARCHAR\(\d+\)|DATE|DATETIME)");
    for (const auto& column : db().column("SELECT m.name || '.' || p.name || ' ' || p.type FROM sqlite_master m,"
                                          " pragma_table_info(m.name) p WHERE m.type = 'table'"
                                          " AND m.name NOT IN ('server_logins', 'sqlite_sequence')")) {
        const std::string type = column.substr(column.find(' ') + 1);
        EXPECT_TRUE(std::regex_match(type, known)) << column;
    }
    // Rows inserted by the program get their key from the server.
    for (const char* table : {"Publication", "teacher_skills", "organization_member", "ScientificActivity",
                              "Language_options", "uch_step", "uch_zvanie", "Spec_Code", "languages", "PublicationType"})
        EXPECT_NE(db().text(std::string("SELECT sql FROM sqlite_master WHERE name = '") + table + "'")
                      .find("INTEGER PRIMARY KEY AUTOINCREMENT"), std::string::npos) << table;
}

TEST_F(DemoDatabase, YearsDepartmentsAndTeachersAreEnoughToPickFrom)
{
    EXPECT_EQ(db().number("SELECT count(DISTINCT u_god) FROM a_year WHERE u_god BETWEEN 2008 AND 2026"), 19);
    EXPECT_GT(db().number("SELECT count(*) FROM a_year WHERE u_god <= 2010"), 0);
    EXPECT_EQ(db().text("SELECT p32 FROM a_year WHERE u_god = 2023"), "2023/2024");
    EXPECT_GE(db().number("SELECT count(*) FROM kafedra"), 5);
    EXPECT_GE(db().number("SELECT count(*) FROM t_fio"), 60);
    // Most teachers are in the first teacher list, the one built from Working.
    EXPECT_GT(db().number("SELECT count(DISTINCT id_teacher) FROM Working") * 2, db().number("SELECT count(*) FROM t_fio"));
    // Every teacher teaches somewhere, and every department has teachers after 2010.
    EXPECT_EQ(db().number("SELECT count(*) FROM t_fio WHERE id_teacher NOT IN (SELECT id_teacher FROM (" + kLoadViaRrnk
                          + " UNION " + kLoadViaKrdt + "))"), 0);
    EXPECT_EQ(db().number("SELECT count(*) FROM kafedra k WHERE NOT EXISTS (SELECT 1 FROM (" + kLoadViaKrdt
                          + ") l JOIN a_year y ON y.id_a_year = l.id_a_year WHERE y.u_god > 2010"
                          " AND l.id_kafedra = k.id_kafedra)"), 0);
}

TEST_F(DemoDatabase, TeacherListsDrawOnBothLoadSources)
{
    EXPECT_GT(db().number("SELECT count(*) FROM (" + kLoadViaKrdt + " EXCEPT " + kLoadViaRrnk + ")"), 0)
        << "no teacher listed only through RRNKkrdt";
    EXPECT_GT(db().number("SELECT count(*) FROM (" + kLoadViaKrdt + " INTERSECT " + kLoadViaRrnk + ")"), 0)
        << "no teacher listed through both sources";
    EXPECT_GT(db().number("SELECT count(*) FROM (" + kLoadViaRrnk + " EXCEPT " + kLoadViaKrdt + ")"), 0)
        << "no teacher listed only through RRNK";
}

TEST_F(DemoDatabase, LongNamedTeacherTeachesInADemoDepartment)
{
    const long long id = db().number("SELECT id_teacher FROM t_fio WHERE length(t_fio) > 50");
    const std::string year2023 = "(SELECT id_a_year FROM a_year WHERE u_god = 2023)";
    EXPECT_EQ(db().number("SELECT count(*) FROM (" + kLoadViaRrnk + " UNION " + kLoadViaKrdt + ") l"
                          " JOIN User_Kafedra u ON u.id_kafedra = l.id_kafedra AND u.id_login = 1"
                          " WHERE l.id_a_year = " + year2023 + " AND l.id_teacher = " + std::to_string(id)), 1);
    EXPECT_EQ(db().number("SELECT count(*) FROM ScientificActivity WHERE id_t_fio = " + std::to_string(id)), 1);
}

TEST_F(DemoDatabase, DictionariesAndProfilesHaveRows)
{
    // Stored order differs from name order, so that the program's sorting shows.
    for (const auto& [table, key, name] : {std::tuple{"uch_step", "id_uch_stepen", "k5"},
                                           {"uch_zvanie", "id_uch_zvanie", "k6"}, {"languages", "id_lang", "lang"},
                                           {"Spec_Code", "id_spec_code", "spec_code"}}) {
        const std::string select = std::string("SELECT ") + name + " FROM " + table + " ORDER BY ";
        EXPECT_NE(db().column(select + key), db().column(select + name)) << table;
    }
    EXPECT_GT(db().number("SELECT max(length(k5)) FROM uch_step"), 10);
    EXPECT_LE(db().number("SELECT max(length(k5)) FROM uch_step"), 20);
    EXPECT_LE(db().number("SELECT max(length(short_name)) FROM Organization"), 20);
    EXPECT_GT(db().number("SELECT max(length(full_name)) FROM Organization"), 200);
    for (const char* table : {"PublicationType", "Level", "Organization", "ScientificActivity", "Language_options",
                              "Publication", "teacher_skills", "organization_member"})
        EXPECT_GT(db().number(std::string("SELECT count(*) FROM ") + table), 0) << table;
}

TEST_F(DemoDatabase, SignInUsersMatchTheirPasswordsAndDatabaseLogins)
{
    struct User { const char* login; const char* password; };
    for (const User user : {User{"demo", "demo2026"}, {"expired", "expired2026"}, {"blocked", "blocked2026"},
                            {"новый", "пароль2026"}}) {
        const std::string where = std::string(" FROM QEL_User WHERE QEL_login = '") + user.login + "'";
        const auto bytes = platform::utf8ToCp1251(user.password);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(db().text("SELECT password_md5" + where), PasswordDigest(*bytes)) << user.login;
        EXPECT_EQ(db().text("SELECT s.role || ' ' || (s.password = u.db_password) FROM server_logins s"
                            " JOIN QEL_User u ON u.db_login = s.login AND u.QEL_login = '" + std::string(user.login) + "'"),
                  "user 1") << user.login;
        EXPECT_EQ(db().text("SELECT message IS NOT NULL" + where), std::string(user.login) == "blocked" ? "1" : "0");
    }
    EXPECT_EQ(db().text("SELECT password || ' ' || role FROM server_logins WHERE login = 'qel_gate'"), "gate2026 gateway");
    EXPECT_EQ(db().number("SELECT count(DISTINCT db_login) FROM QEL_User"), db().number("SELECT count(*) FROM QEL_User"));
    EXPECT_EQ(db().text("SELECT password_term || ' ' || update_flag FROM QEL_User WHERE QEL_login = 'demo'"), "60 0");
    EXPECT_EQ(db().number("SELECT password_term FROM QEL_User WHERE QEL_login = 'expired'"), -1);
    EXPECT_EQ(db().number("SELECT count(DISTINCT k.id_kafedra) FROM User_Kafedra uk JOIN QEL_User u"
                          " ON u.id_QEL_user = uk.id_login JOIN kafedra k ON k.id_kafedra = uk.id_kafedra"
                          " WHERE u.QEL_login = 'demo'"), 3);
}

TEST(DemoDatabaseBuilder, ReplacesAnExistingFileAndLeavesNothingElse)
{
    const fs::path folder = freshFolder("rebuild");
    std::ofstream(folder / "demo.db") << "not a database";
    ASSERT_EQ(buildDemo(folder / "demo.db"), 0);
    EXPECT_GE(Database(folder / "demo.db").number("SELECT count(*) FROM t_fio"), 60);
    ASSERT_EQ(buildDemo(folder / "demo.db"), 0);
    EXPECT_GE(Database(folder / "demo.db").number("SELECT count(*) FROM t_fio"), 60);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"demo.db"});
    fs::remove_all(folder);
}

TEST(DemoDatabaseBuilder, MalformedScriptFailsAndKeepsTheOldFile)
{
    const fs::path folder = freshFolder("malformed");
    const fs::path broken = folder / "broken.sql";
    std::ofstream(broken) << "INSERT INTO kafedra (id_kafedra, f1) VALUES (1, 'x');\nINSERT INTO nowhere VALUES (2);\n";

    EXPECT_NE(buildDemo(folder / "new.db", broken.string()), 0);
    EXPECT_FALSE(fs::exists(folder / "new.db"));

    std::ofstream(folder / "old.db") << "previous contents";
    EXPECT_NE(buildDemo(folder / "old.db", broken.string()), 0);
    {
        std::ifstream old(folder / "old.db");   // closed before the folder goes (Windows)
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "previous contents");
    }
    EXPECT_EQ(filesIn(folder).size(), 2u) << "a temporary file was left behind";

    // A row that refers to a dictionary entry that is not there fails as well.
    const fs::path dangling = folder / "dangling.sql";
    std::ofstream(dangling) << "INSERT INTO languages (id_lang, lang) VALUES (1, 'x');\n"
                               "INSERT INTO Language_options (id_lang, id_teacher) VALUES (2, 1);\n";
    EXPECT_NE(buildDemo(folder / "new.db", dangling.string()), 0);
    EXPECT_FALSE(fs::exists(folder / "new.db"));
    fs::remove_all(folder);
}

TEST(BenchDatabaseBuilder, CountsFollowTheScaleAndRowsAreReproducible)
{
    const fs::path folder = freshFolder("bench");
    const auto build = [&](const std::string& name, const std::string& scale) {
        return runTool(QEL_MAKE_BENCH_DB,
                       {"--schema", kSqlDir + "/schema.sql", "--output", (folder / name).string(), "--scale", scale});
    };
    ASSERT_EQ(build("small.db", "0.01"), 0);
    ASSERT_EQ(build("double.db", "0.02"), 0);
    ASSERT_EQ(build("again.db", "0.01"), 0);
    {   // the databases are closed before the folder goes (Windows)
        const Database small(folder / "small.db"), twice(folder / "double.db"), again(folder / "again.db");

        for (const auto& [table, count] : {std::pair{"t_fio", 50}, {"RRNKkrdt", 50}, {"Working", 50}, {"Publication", 1000},
                                           {"Language_options", 500}, {"bench_rows", 1000}, {"bench_lookup", 100}}) {
            const std::string sql = std::string("SELECT count(*) FROM ") + table;
            EXPECT_EQ(small.number(sql), count) << table;
            EXPECT_EQ(twice.number(sql), 2 * count) << table;
        }
        EXPECT_EQ(small.number("SELECT count(*) FROM bench_rows WHERE id_lookup NOT BETWEEN 1 AND 100"), 0);
        EXPECT_EQ(small.number("SELECT count(*) FROM Publication WHERE id_teacher NOT BETWEEN 1 AND 50"), 0);
        const std::string fingerprint = "SELECT sum(amount) || group_concat(title) FROM bench_rows";
        EXPECT_EQ(small.text(fingerprint), again.text(fingerprint));
        EXPECT_EQ(small.text("SELECT role FROM server_logins WHERE login = 'qel_gate'"), "gateway");
    }

    EXPECT_NE(build("bad.db", "zero"), 0);
    EXPECT_FALSE(fs::exists(folder / "bad.db"));
    fs::remove_all(folder);
}

// ---- the settings writer ----

class SettingsTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = freshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder / "Data");
        output = (folder / "Data" / "QEL").string();
        platform::overrideProgramFolder(folder.string());
#ifdef _WIN32
        GTEST_SKIP() << "runs the settings writer through a POSIX shell (pipes, ulimit, trap), which Windows has "
                        "not; its Windows build writes the package's Data\\QEL in scripts/package_windows.sh";
#endif
    }
    void TearDown() override
    {
        platform::overrideProgramFolder({});
        fs::remove_all(folder);
    }
    // Runs the tool through the shell, `before` preceding it in a subshell of
    // its own (standard input, limits); its output, written through a pipe
    // that no file size limit touches, is kept in `toolOutput`. Returns the
    // exit code, which the subshell appends to the output.
    int run(const std::vector<std::string>& arguments, const std::string& before = {})
    {
        const fs::path log = folder / "tool.log";
        const std::string command = "( " + before + " " + toolCommand(QEL_SETTINGS_TOOL, arguments)
            + "; echo \"exit=$?\" ) 2>&1 | cat > '" + log.string() + "'";
        std::system(command.c_str());
        toolOutput = fileText(log);
        fs::remove(log);
        const size_t at = toolOutput.rfind("exit=");
        return at == std::string::npos ? -1 : std::stoi(toolOutput.substr(at + 5));
    }
    static std::string fileText(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> arguments(const std::string& password) const
    {
        return {"--server", "file:Data/demo.db", "--database", "QEL", "--login", "qel_gate", "--password", password,
                "--output", output};
    }

    fs::path folder;
    std::string output;
    std::string toolOutput;
};

TEST_F(SettingsTool, PasswordFromStandardInputLosesItsLineEndingOnlyAndFitsTwentyCharacters)
{
    for (const auto& [typed, stored] : {std::pair<std::string, std::string>{"gate2026\\r\\n", "gate2026"},
                                        {"gate2026\\n", "gate2026"},
                                        {"gate2026", "gate2026"},
                                        {" gate 2026 \\r\\n", " gate 2026 "}}) {
        ASSERT_EQ(run(arguments("-"), "printf '" + typed + "' |"), 0) << toolOutput;
        EXPECT_EQ(ReadConnectionSettings().Password, stored) << typed;
        EXPECT_EQ(toolOutput.find(stored), std::string::npos) << "the password was printed";
    }

    // Twenty characters fit, Cyrillic ones too (a byte each in Windows-1251); a twenty-first does not.
    const std::string twenty = "Двадцать букв пароля";
    ASSERT_EQ(run(arguments("-"), "printf '" + twenty + "\\r\\n' |"), 0) << toolOutput;
    EXPECT_EQ(ReadConnectionSettings().Password, platform::utf8ToCp1251(twenty).value());
    EXPECT_EQ(run(arguments(twenty + "!")), 1) << toolOutput;
    EXPECT_NE(toolOutput.find("the password is longer than 20 characters"), std::string::npos) << toolOutput;
    EXPECT_EQ(ReadConnectionSettings().Password, platform::utf8ToCp1251(twenty).value());
}

// A write that fails (the file size limit standing in for a full disk) leaves
// the file that was there as it was, and no temporary file beside it.
TEST_F(SettingsTool, FailingWriteLeavesTheOldFileByteIdentical)
{
    ASSERT_EQ(run(arguments("old-secret")), 0) << toolOutput;
    const std::string before = fileText(output);
    ASSERT_EQ(before.size(), 84u);

    EXPECT_EQ(run(arguments("new-secret"), "trap '' XFSZ; ulimit -f 0;"), 1) << toolOutput;
    EXPECT_NE(toolOutput.find("qel-settings: "), std::string::npos) << toolOutput;
    EXPECT_EQ(fileText(output), before);
    EXPECT_EQ(filesIn(folder / "Data"), std::vector<std::string>{"QEL"});
}

TEST_F(SettingsTool, UnknownRepeatedOrMissingOptionsAreRefusedWithTheUsage)
{
    ASSERT_EQ(run(arguments("old-secret")), 0) << toolOutput;
    const std::string before = fileText(output);

    const std::vector<std::vector<std::string>> refused = {
        {"--server", "s", "--database", "QEL", "--login", "l", "--pasword", "p", "--output", output},
        {"--server", "s", "--database", "QEL", "--login", "l", "--login", "m", "--password", "p", "--output", output},
        {"--server", "s", "--database", "QEL", "--password", "p", "--output", output},
        {"--server", "s", "--database", "QEL", "--login", "l", "--password", "p", "--output"},
        {"server", "s", "--database", "QEL", "--login", "l", "--password", "p", "--output", output},
    };
    for (const auto& args : refused) {
        EXPECT_EQ(run(args), 2) << args[6];
        EXPECT_NE(toolOutput.find("usage: qel-settings"), std::string::npos) << toolOutput;
    }
    run(refused.front());
    EXPECT_NE(toolOutput.find("unknown option --pasword"), std::string::npos) << toolOutput;
    EXPECT_EQ(fileText(output), before);
}

// A semicolon, a quote or blanks in a value are written as given and quoted
// in the connection string built from the file; a control character or a
// '}' cannot reach every server intact and is refused, naming the value.
TEST_F(SettingsTool, ValuesThatTheConnectionStringMustQuoteAreKept)
{
    ASSERT_EQ(run({"--server", "file:Data/de;mo.db", "--database", "QEL ", "--login", "gate \"way\"", "--password",
                   "p;q", "--output", output}),
              0)
        << toolOutput;
    const TFirstConnectInfo info = ReadConnectionSettings();
    EXPECT_EQ(info.Password, "p;q");
    EXPECT_EQ(info.DataSource, "file:Data/de;mo.db");
    EXPECT_EQ(info.UserID, "gate \"way\"");
    EXPECT_EQ(info.InitialCatalog, "QEL ");
    EXPECT_NE(BuildConnectionString(info).find(";Password=\"p;q\";"), std::string::npos) << BuildConnectionString(info);
    EXPECT_NE(BuildConnectionString(info).find(";Data Source=\"file:Data/de;mo.db\";"), std::string::npos);

    const std::string before = fileText(output);
    for (const auto& [password, named] : {std::pair<std::string, std::string>{"p}q", "'}'"}, {"p\tq", "control"}}) {
        EXPECT_EQ(run(arguments(password)), 1) << password;
        EXPECT_NE(toolOutput.find("the password has a " + named), std::string::npos) << toolOutput;
    }
    EXPECT_EQ(fileText(output), before);
}

// A port is digits only; a file name of the embedded server may hold a comma.
TEST_F(SettingsTool, APortIsDigitsOnly)
{
    ASSERT_EQ(run(arguments("secret")), 0) << toolOutput;
    const std::string before = fileText(output);
    for (const std::string server : {"h,1;UID=sa;PWD=x", "h,1;Encrypt=no", "h,port", "h,"}) {
        EXPECT_EQ(run({"--server", server, "--database", "QEL", "--login", "l", "--password", "p", "--output", output}), 1)
            << server;
        EXPECT_NE(toolOutput.find("the server's port (after the comma) must be digits only"), std::string::npos) << toolOutput;
    }
    EXPECT_EQ(fileText(output), before);
    EXPECT_EQ(run({"--server", "h,1433", "--database", "QEL", "--login", "l", "--password", "p", "--output", output}), 0);
    EXPECT_EQ(run({"--server", "file:Data/a,b.db", "--database", "QEL", "--login", "l", "--password", "p", "--output", output}),
              0)
        << toolOutput;
}

// The file holds the gateway's password: a new one is readable by its owner
// only; one that was there keeps the permissions it was given.
TEST_F(SettingsTool, ANewFileIsForItsOwnerOnly)
{
    ASSERT_EQ(run(arguments("secret")), 0) << toolOutput;
    EXPECT_EQ(fs::status(output).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(output, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(run(arguments("secret2")), 0) << toolOutput;
    EXPECT_EQ(fs::status(output).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
