#pragma once
// What the database-building tools share: a SQLite file written under a
// temporary name and put in place only when complete, script execution with
// the failing line in the message, and prepared statements.
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sqlite_tool {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whole file as text; throws Error naming the file when it cannot be read.
std::string readTextFile(const std::filesystem::path& path);

// A new SQLite database under a temporary name beside `target`, with its
// foreign keys enforced. commit()
// closes it and renames it over the target, so the target is either the old
// file or the complete new one; without commit() the temporary file goes.
class NewDatabaseFile {
public:
    explicit NewDatabaseFile(std::filesystem::path target);
    ~NewDatabaseFile();
    NewDatabaseFile(const NewDatabaseFile&) = delete;
    NewDatabaseFile& operator=(const NewDatabaseFile&) = delete;

    sqlite3* handle() const { return db_; }

    // Runs every statement of the script; on failure throws Error with
    // "NAME:LINE: message", LINE being where the failing statement starts.
    void runScript(std::string_view sql, const std::string& name);
    // Runs a statement without rows.
    void exec(const std::string& sql);

    void commit();

private:
    void close();
    void removeTemporary();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    sqlite3* db_ = nullptr;
    bool committed_ = false;
};

// A new database at `output` from a schema script and a data script, both run
// in one transaction; on failure throws Error and leaves `output` as it was.
void buildFromScripts(const std::filesystem::path& schemaPath, const std::filesystem::path& dataPath,
                      const std::filesystem::path& output);

// One prepared statement, bound and run once per row.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1, as in SQLite.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, const std::string& text);
    Statement& bindNull(int index);
    // Steps to the end, then resets the statement and its bindings.
    void run();

private:
    void check(int code) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace sqlite_tool
