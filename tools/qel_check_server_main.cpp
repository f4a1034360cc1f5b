// qel-check-server: checks a database server for QEL 23, as an administrator
// runs it once after installing the server side. It reads Data/QEL beside
// itself, as the program does, or takes the same four values on the command
// line, signs in with a test user of the program and prints one line per
// check, then a summary. Exit code 0 when everything passed, 1 when a check
// failed, 2 for a wrong command line, 3 when the settings file cannot be read.
//
//   qel-check-server --user LOGIN --user-password PASSWORD|-
//                    [--server S --database D --login L --password P|-]
//                    [--sqlite-odbc-driver NAME]
//
// "-" reads a password from standard input (one line each, the settings
// password first), so that it need not appear in the process list. Texts are
// given in UTF-8. --sqlite-odbc-driver checks an SQLite file (--server
// file:PATH) through the SQLite ODBC driver registered under NAME instead:
// the tables over a real ODBC driver, without logins or procedures.
#include "command_line.h"
#include "server_check.h"

#include "db/odbc_backend.h"
#include "platform/cp1251.h"

#include <QCoreApplication>

#include <iostream>
#include <optional>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: qel-check-server --user LOGIN --user-password PASSWORD|-\n"
                 "                        [--server S --database D --login L --password P|-]\n"
                 "                        [--sqlite-odbc-driver NAME]\n"
                 "Checks the database server for QEL 23 with a test user of the program. Without --server,\n"
                 "the server, database and gateway login are read from Data/QEL beside this tool.\n";
    return 2;
}

std::optional<std::string> secret(const std::string& value)
{
    if (value != "-")
        return value;
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return line;
}

std::optional<std::string> windows1251(const std::string& what, const std::string& utf8)
{
    auto bytes = platform::utf8ToCp1251(utf8);
    if (!bytes)
        std::cerr << "qel-check-server: the " << what << " has a character that Windows-1251 cannot hold\n";
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const auto options = tool::Options::parse(argc, argv);
    if (!options || !options->unknown("--user --user-password --server --database --login --password "
                                      "--sqlite-odbc-driver").empty()
        || !options->has("--user") || !options->has("--user-password"))
        return usage();
    const bool givenServer = options->has("--server");
    if (givenServer != (options->has("--database") && options->has("--login") && options->has("--password")))
        return usage();

    server_check::Target target;
    if (givenServer) {
        const auto password = secret(options->value("--password"));
        const auto server = windows1251("server", options->value("--server"));
        const auto database = windows1251("database", options->value("--database"));
        const auto login = windows1251("login", options->value("--login"));
        const auto gatewayPassword = password ? windows1251("password", *password) : std::nullopt;
        if (!password || !server || !database || !login || !gatewayPassword) {
            std::cerr << "qel-check-server: the settings values are incomplete\n";
            return 2;
        }
        target.settings = {*login, *gatewayPassword, *database, *server};
    } else {
        try {
            target.settings = ReadConnectionSettings();
        } catch (const std::exception& error) {
            std::cerr << "qel-check-server: cannot read " << ConnectionSettingsPath() << ": " << error.what() << '\n';
            return 3;
        }
    }
    const auto userPassword = secret(options->value("--user-password"));
    const auto userLogin = windows1251("user login", options->value("--user"));
    const auto userSecret = userPassword ? windows1251("user password", *userPassword) : std::nullopt;
    if (!userLogin || !userSecret)
        return 2;
    target.userLogin = *userLogin;
    target.userPassword = *userSecret;
    if (options->has("--sqlite-odbc-driver")) {
        const QString driver = QString::fromStdString(options->value("--sqlite-odbc-driver"));
        target.backendFactory = [driver](const db::ConnectionParameters&) {
            return std::make_unique<db::OdbcBackend>(db::sqliteOdbcDialect(driver));
        };
    }

    std::cout << "Checking the server for QEL 23 with the test user \"" << options->value("--user") << "\"\n";
    const auto lines = server_check::run(target, [](const server_check::Line& line) {
        std::cout << server_check::format(line).toStdString() << '\n' << std::flush;
    });
    std::cout << server_check::summary(lines).toStdString() << '\n';
    return server_check::allPassed(lines) ? 0 : 1;
}
