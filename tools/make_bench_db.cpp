// qel-make-bench-db: builds a large database for the benchmarks.
//
//   qel-make-bench-db --schema sql/sqlite/schema.sql --output PATH [--scale FACTOR]
//
// The program's schema filled with deterministic synthetic rows: at scale 1,
// 5,000 teachers working in one department in one year, 100,000 publications
// and 50,000 language rows spread over them, and the dictionaries. Two tables
// of its own serve the data-layer benchmarks: bench_rows (100,000 rows of
// mixed column types) and bench_lookup (10,000 names that bench_rows.id_lookup
// refers to). --scale multiplies every count (at least one row each).
// Sign-in as on the demo database: bench / bench2026 through qel_gate / gate2026.
#include "command_line.h"
#include "sqlite_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

using sqlite_tool::Statement;

const char* const kBenchTables = R"sql(
CREATE TABLE bench_rows (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    amount INTEGER,
    code VARCHAR(40),
    title NVARCHAR(100),
    created DATETIME,
    rank SMALLINT,
    id_lookup INTEGER,
    note VARCHAR(200),
    due DATE
);
CREATE TABLE bench_lookup (
    id INTEGER PRIMARY KEY,
    name VARCHAR(50)
);
)sql";

// SplitMix64: the same sequence on every platform and library, unlike the
// standard distributions.
class Random {
public:
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform enough in [low, high] for test data.
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    const std::string& pick(const std::vector<std::string>& words) { return words[next() % words.size()]; }

private:
    std::uint64_t state_ = 20260101;
};

struct Counts {
    explicit Counts(double scale)
        : teachers(scaled(5000, scale))
        , publications(scaled(100000, scale))
        , languageRows(scaled(50000, scale))
        , benchRows(scaled(100000, scale))
        , lookupRows(scaled(10000, scale))
    {
    }
    static std::int64_t scaled(double count, double scale)
    {
        return std::max<std::int64_t>(1, std::llround(count * scale));
    }
    std::int64_t teachers, publications, languageRows, benchRows, lookupRows;
};

const std::vector<std::string> kSurnames = {"Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов", "Попов",
    "Васильев", "Соколов", "Михайлов", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев", "Лебедев",
    "Семёнов", "Егоров", "Павлов", "Козлов", "Степанов"};
const std::vector<std::string> kNames = {"Александр", "Сергей", "Андрей", "Дмитрий", "Алексей", "Николай",
    "Игорь", "Павел", "Михаил", "Владимир", "Виктор", "Олег", "Юрий", "Евгений", "Роман"};
const std::vector<std::string> kPatronymics = {"Александрович", "Сергеевич", "Андреевич", "Дмитриевич",
    "Алексеевич", "Николаевич", "Игоревич", "Павлович", "Михайлович", "Владимирович", "Викторович", "Олегович"};
const std::vector<std::string> kWords = {"анализ", "модель", "система", "метод", "алгоритм", "данные",
    "управление", "оптимизация", "структура", "процесс", "сеть", "обработка", "проектирование", "оценка"};

std::string words(Random& random, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? " " : "") + random.pick(kWords);
    return text;
}

std::string date(Random& random)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(random.between(2000, 2025)),
                  static_cast<int>(random.between(1, 12)), static_cast<int>(random.between(1, 28)));
    return text;
}

std::string dateTime(Random& random)
{
    char time[40];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", static_cast<int>(random.between(0, 23)),
                  static_cast<int>(random.between(0, 59)), static_cast<int>(random.between(0, 59)));
    return date(random) + time;
}

void fillDictionaries(sqlite3* db)
{
    Statement step(db, "INSERT INTO uch_step (k5, QEL_user) VALUES (?, 'bench')");
    for (const char* name : {"кандидат наук", "доктор наук", "без степени", "доктор философии PhD"})
        step.bind(1, std::string(name)).run();
    Statement title(db, "INSERT INTO uch_zvanie (k6, QEL_user) VALUES (?, 'bench')");
    for (const char* name : {"доцент", "профессор", "без звания", "старший науч. сотр."})
        title.bind(1, std::string(name)).run();
    Statement code(db, "INSERT INTO Spec_Code (spec_code) VALUES (?)");
    for (int i = 1; i <= 50; ++i)
        code.bind(1, "05.13." + std::to_string(10 + i)).run();
    Statement language(db, "INSERT INTO languages (lang, QEL_user) VALUES (?, 'bench')");
    for (int i = 1; i <= 20; ++i)
        language.bind(1, "язык " + std::to_string(i)).run();
    Statement kind(db, "INSERT INTO PublicationType (publicationType) VALUES (?)");
    for (int i = 1; i <= 10; ++i)
        kind.bind(1, "вид " + std::to_string(i)).run();
    Statement level(db, "INSERT INTO Level (l_level) VALUES (?)");
    for (const char* name : {"начальный", "ниже среднего", "средний", "выше среднего", "продвинутый", "свободный"})
        level.bind(1, std::string(name)).run();
    Statement organization(db, "INSERT INTO Organization (short_name, full_name) VALUES (?, ?)");
    for (int i = 1; i <= 50; ++i)
        organization.bind(1, "Орг " + std::to_string(i)).bind(2, "Научная организация номер " + std::to_string(i)).run();
}

void fillSignIn(sqlite_tool::NewDatabaseFile& database)
{
    database.exec(
        "INSERT INTO a_year (id_a_year, p32, u_god) VALUES (1, '2023/2024', 2023);"
        "INSERT INTO kafedra (id_kafedra, f1) VALUES (1, 'Кафедра нагрузочных испытаний');"
        "INSERT INTO educ_sh (id_educ_sh, id_a_year, id_kafedra, discipline, hours)"
        " VALUES (1, 1, 1, 'Лекционные занятия', 72);"
        "INSERT INTO QEL_User (id_QEL_user, QEL_login, password_md5, password_term, db_login, db_password,"
        " message, update_flag) VALUES (1, 'bench', '07461DF01C9A61298857FE9A927E6EBE', 60, 'qel_bench',"
        " 'Bn4821xy', NULL, 0);"
        "INSERT INTO User_Kafedra (id_login, id_kafedra) VALUES (1, 1);"
        "INSERT INTO server_logins (login, password, role) VALUES ('qel_gate', 'gate2026', 'gateway'),"
        " ('qel_bench', 'Bn4821xy', 'user');");
}

// Every teacher works in department 1 in year 1 (through RRNKkrdt, every
// second one also through RRNK) and has one row in each single-row section.
void fillTeachers(sqlite3* db, Random& random, const Counts& counts)
{
    Statement teacher(db, "INSERT INTO t_fio (id_teacher, t_fio) VALUES (?, ?)");
    Statement working(db, "INSERT INTO Working (id_teacher, id_kafedra, post) VALUES (?, 1, 'доцент')");
    Statement direct(db, "INSERT INTO RRNKkrdt (id_a_year, id_kafedra, id_teacher) VALUES (1, 1, ?)");
    Statement load(db, "INSERT INTO RRNK (id_educ_sh, id_teacher) VALUES (1, ?)");
    Statement activity(db, "INSERT INTO ScientificActivity (id_t_fio, id_uch_step, id_uch_zvanie, id_spec_code,"
                           " theme, yearProtection) VALUES (?, ?, ?, ?, ?, ?)");
    Statement skills(db, "INSERT INTO teacher_skills (personal_skills, computer_skills, other_info, id_teacher)"
                         " VALUES (?, ?, ?, ?)");
    Statement member(db, "INSERT INTO organization_member (id_organization, id_teacher) VALUES (?, ?)");
    for (std::int64_t id = 1; id <= counts.teachers; ++id) {
        const std::string name = random.pick(kSurnames) + " " + random.pick(kNames) + " " + random.pick(kPatronymics);
        teacher.bind(1, id).bind(2, name).run();
        working.bind(1, id).run();
        direct.bind(1, id).run();
        if (id % 2 == 0)
            load.bind(1, id).run();
        activity.bind(1, id).bind(2, random.between(1, 4)).bind(3, random.between(1, 4))
            .bind(4, random.between(1, 50)).bind(5, words(random, 6)).bind(6, random.between(1990, 2025)).run();
        skills.bind(1, words(random, 5)).bind(2, words(random, 4)).bind(3, words(random, 8)).bind(4, id).run();
        for (int i = 0; i < 2; ++i)
            member.bind(1, random.between(1, 50)).bind(2, id).run();
    }
}

void fillTeacherRows(sqlite3* db, Random& random, const Counts& counts)
{
    Statement publication(db, "INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages,"
                              " PublicationDate, Primech) VALUES (?, ?, ?, ?, ?, ?)");
    for (std::int64_t i = 1; i <= counts.publications; ++i) {
        publication.bind(1, random.between(1, 10)).bind(2, words(random, 7))
            .bind(3, random.between(1, counts.teachers)).bind(4, random.between(1, 400))
            .bind(5, date(random) + " 00:00:00");
        if (i % 5 == 0)
            publication.bindNull(6);
        else
            publication.bind(6, words(random, 3));
        publication.run();
    }
    Statement language(db, "INSERT INTO Language_options (id_lang, id_level, id_teacher, id_level_read,"
                           " id_level_speak, id_level_write, QEL_User, QEL_Update) VALUES (?, ?, ?, ?, ?, ?, 'bench', ?)");
    for (std::int64_t i = 1; i <= counts.languageRows; ++i) {
        language.bind(1, random.between(1, 20)).bind(2, random.between(1, 6))
            .bind(3, random.between(1, counts.teachers)).bind(4, random.between(1, 5))
            .bind(5, random.between(1, 5)).bind(6, random.between(1, 5)).bind(7, date(random)).run();
    }
}

void fillBenchTables(sqlite_tool::NewDatabaseFile& database, Random& random, const Counts& counts)
{
    database.exec(kBenchTables);
    Statement lookup(database.handle(), "INSERT INTO bench_lookup (id, name) VALUES (?, ?)");
    for (std::int64_t id = 1; id <= counts.lookupRows; ++id)
        lookup.bind(1, id).bind(2, "Элемент " + std::to_string(id)).run();

    Statement row(database.handle(), "INSERT INTO bench_rows (amount, code, title, created, rank, id_lookup,"
                                     " note, due) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    char code[32];
    for (std::int64_t i = 1; i <= counts.benchRows; ++i) {
        std::snprintf(code, sizeof code, "CODE-%06lld", static_cast<long long>(i));
        row.bind(1, random.between(-1000000, 1000000)).bind(2, std::string(code)).bind(3, words(random, 5))
            .bind(4, dateTime(random)).bind(5, random.between(-32768, 32767))
            .bind(6, random.between(1, counts.lookupRows));
        if (i % 10 == 0)
            row.bindNull(7);
        else
            row.bind(7, words(random, 12));
        row.bind(8, date(random)).run();
    }
}

void build(const std::string& schemaPath, const std::string& outputPath, double scale)
{
    const std::string schema = sqlite_tool::readTextFile(schemaPath);
    const Counts counts(scale);
    Random random;

    sqlite_tool::NewDatabaseFile database(outputPath);
    database.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
    database.runScript(schema, schemaPath);
    fillDictionaries(database.handle());
    fillSignIn(database);
    fillTeachers(database.handle(), random, counts);
    fillTeacherRows(database.handle(), random, counts);
    fillBenchTables(database, random, counts);
    database.exec("COMMIT");
    database.commit();
}

} // namespace

int main(int argc, char* argv[])
{
    const auto options = tool::Options::parse(argc, argv);
    if (!options || !options->has("--schema") || !options->has("--output")
        || !options->unknown("--schema --output --scale").empty()) {
        std::cerr << "usage: qel-make-bench-db --schema SCHEMA.sql --output FILE.db [--scale FACTOR]\n"
                     "Builds a large synthetic database; FACTOR (default 1) multiplies every row count.\n";
        return 2;
    }
    double scale = 1.0;
    try {
        size_t used = 0;
        const std::string text = options->value("--scale", "1");
        scale = std::stod(text, &used);
        if (used != text.size() || !(scale > 0))
            throw std::invalid_argument(text);
    } catch (const std::exception&) {
        std::cerr << "qel-make-bench-db: --scale needs a positive number\n";
        return 2;
    }

    try {
        build(options->value("--schema"), options->value("--output"), scale);
    } catch (const std::exception& error) {
        std::cerr << "qel-make-bench-db: " << error.what() << '\n';
        return 1;
    }
    std::cout << "Wrote " << options->value("--output") << '\n';
    return 0;
}
