#pragma once
// The server check that a database administrator runs once after installing
// the server side of QEL 23: it connects as the program does (the gateway
// login, GET_USER with a test user, then the user's own database login) and
// checks everything the program relies on, one line per check.
#include "db/connection.h"
#include "signin/connection_settings.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace server_check {

// A warning is something the program works without but the administrator
// should know of; it does not fail the check.
enum class Outcome { Passed, Failed, Warning, NotApplicable };

struct Line {
    Outcome outcome;
    QString text;
};

struct Target {
    // The settings file's four values (Windows-1251 bytes).
    TFirstConnectInfo settings;
    // A user of the program to sign in with (Windows-1251 bytes).
    std::string userLogin;
    std::string userPassword;
    // A user the server must refuse (blocked, expired ...): GET_USER is asked
    // for them too and must hand out no database login. Empty: not checked.
    std::string refusedLogin;
    std::string refusedPassword;
    // Empty: the backend the program would choose. Otherwise a database
    // without logins or stored procedures reached another way (an SQLite file
    // through an ODBC driver): the sign-in checks do not apply to it.
    db::Connection::BackendFactory backendFactory;
};

// Runs every check, handing each line to `report` as soon as it is known.
std::vector<Line> run(const Target& target, const std::function<void(const Line&)>& report = {});

// "[ OK ] text", "[FAIL] text", "[WARN] text", "[ -- ] text".
QString format(const Line& line);
// The closing lines: the counts, and what they mean for the program.
QString summary(const std::vector<Line>& lines);
// No check failed (warnings aside).
bool allPassed(const std::vector<Line>& lines);

// The verdict on GET_USER's row for `login`, a user it must refuse: a refusal
// (a message, a password term below 0, or an update flag of 2 or more) with
// fields 0 and 1, the user's database login and password, NULL.
Line refusedUserVerdict(const QString& login, const db::ResultSet& row);

// Whether a SQL Server collation compares Cyrillic text without regard to
// letter case and stores 8-bit text as Windows-1251 (Cyrillic_General_CI_AS,
// Cyrillic_General_100_CI_AI ...).
bool isCyrillicCaseInsensitive(const QString& collation);

} // namespace server_check
