#include "sqlite_tool.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace sqlite_tool {

namespace fs = std::filesystem;

namespace {

// The first character of a statement's own text, past blanks and comments.
const char* statementStart(const char* p, const char* end)
{
    const std::string_view blanks = " \t\r\n";
    while (p < end) {
        if (blanks.find(*p) != std::string_view::npos) {
            ++p;
        } else if (end - p >= 2 && p[0] == '-' && p[1] == '-') {
            p = std::find(p, end, '\n');
        } else if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
            const std::string_view rest(p + 2, static_cast<size_t>(end - p - 2));
            const size_t close = rest.find("*/");
            p = close == std::string_view::npos ? end : p + 2 + close + 2;
        } else {
            break;
        }
    }
    return p;
}

} // namespace

std::string readTextFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof())
        throw Error("cannot read " + path.string());
    return text;
}

NewDatabaseFile::NewDatabaseFile(fs::path target)
    : target_(std::move(target))
    , temporary_(target_.string() + ".new")
{
    if (target_.has_parent_path())
        fs::create_directories(target_.parent_path());
    removeTemporary();
    if (sqlite3_open_v2(temporary_.string().c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        close();
        removeTemporary();
        throw Error("cannot create " + temporary_.string() + ": " + message);
    }
    // Rows are checked against the schema's foreign keys as they go in, as
    // the embedded server checks the program's writes.
    try {
        exec("PRAGMA foreign_keys = ON");
    } catch (const Error&) {
        close();
        removeTemporary();
        throw;
    }
}

NewDatabaseFile::~NewDatabaseFile()
{
    close();
    if (!committed_)
        removeTemporary();
}

void NewDatabaseFile::close()
{
    sqlite3_close(db_);
    db_ = nullptr;
}

void NewDatabaseFile::removeTemporary()
{
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(temporary_.string() + suffix, ignored);
}

void NewDatabaseFile::exec(const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        throw Error(text);
    }
}

void NewDatabaseFile::runScript(std::string_view sql, const std::string& name)
{
    const char* const begin = sql.data();
    const char* const end = begin + sql.size();
    const char* next = begin;
    while (next < end) {
        const char* const start = next;
        sqlite3_stmt* statement = nullptr;
        int code = sqlite3_prepare_v2(db_, start, static_cast<int>(end - start), &statement, &next);
        if (code == SQLITE_OK && statement) {
            while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
            }
            if (code == SQLITE_DONE)
                code = SQLITE_OK;
        }
        sqlite3_finalize(statement);
        if (code != SQLITE_OK) {
            const char* const first = statementStart(start, next > start ? next : end);
            const long line = 1 + std::count(begin, first, '\n');
            throw Error(name + ":" + std::to_string(line) + ": " + sqlite3_errmsg(db_));
        }
        if (next == start)
            break;
    }
}

void NewDatabaseFile::commit()
{
    if (sqlite3_close(db_) != SQLITE_OK)
        throw Error(std::string("cannot close ") + temporary_.string() + ": " + sqlite3_errmsg(db_));
    db_ = nullptr;
    fs::rename(temporary_, target_);
    committed_ = true;
}

void buildFromScripts(const fs::path& schemaPath, const fs::path& dataPath, const fs::path& output)
{
    const std::string schema = readTextFile(schemaPath);
    const std::string data = readTextFile(dataPath);

    NewDatabaseFile database(output);
    database.exec("BEGIN");
    database.runScript(schema, schemaPath.string());
    database.runScript(data, dataPath.string());
    database.exec("COMMIT");
    database.commit();
}

Statement::Statement(sqlite3* db, const std::string& sql)
    : db_(db)
{
    check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement_, nullptr));
}

Statement::~Statement()
{
    sqlite3_finalize(statement_);
}

void Statement::check(int code) const
{
    if (code != SQLITE_OK && code != SQLITE_DONE)
        throw Error(sqlite3_errmsg(db_));
}

Statement& Statement::bind(int index, std::int64_t value)
{
    check(sqlite3_bind_int64(statement_, index, value));
    return *this;
}

Statement& Statement::bind(int index, const std::string& text)
{
    check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindNull(int index)
{
    check(sqlite3_bind_null(statement_, index));
    return *this;
}

void Statement::run()
{
    check(sqlite3_step(statement_));
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

} // namespace sqlite_tool
