// qel-check-server: checks a database server for QEL 23, as an administrator
// runs it once after installing the server side. It reads Data/QEL beside
// itself, as the program does, or takes the same four values on the command
// line, signs in with a test user of the program and prints one line per
// check, then a summary. Exit code 0 when everything passed, 1 when a check
// failed, 2 for a wrong command line, 3 when the settings file cannot be read.
//
//   qel-check-server --user LOGIN --user-password PASSWORD|-
//                    [--server S --database D --login L --password P|-]
//                    [--refused-user LOGIN --refused-password P|-]
//                    [--sqlite-odbc-driver NAME]
//
// --refused-user names a user the server must refuse (blocked, or with an
// expired password): GET_USER must answer with a refusal and no database
// login. Its "-" password is read after the others.
// "-" reads a password from standard input (one line each, the settings
// password first), so that it need not appear in the process list. Texts are
// given in UTF-8. --sqlite-odbc-driver checks an SQLite file (--server
// file:PATH) through the SQLite ODBC driver registered under NAME instead:
// the tables over a real ODBC driver, without logins or procedures.
#include "command_line.h"
#include "server_check.h"
#include "user_sign_in.h"

#include "db/odbc_backend.h"

#include <QCoreApplication>

#include <iostream>
#include <string>
#include <variant>

namespace {

int usage()
{
    std::cerr << "usage: qel-check-server --user LOGIN --user-password PASSWORD|-\n"
                 "                        [--server S --database D --login L --password P|-]\n"
                 "                        [--refused-user LOGIN --refused-password P|-]\n"
                 "                        [--sqlite-odbc-driver NAME]\n"
                 "Checks the database server for QEL 23 with a test user of the program. Without --server,\n"
                 "the server, database and gateway login are read from Data/QEL beside this tool.\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const auto options = tool::applicationOptions();
    if (!options || !options->unknown(std::string(tool::kSignInOptionNames) + " --sqlite-odbc-driver --refused-user --refused-password").empty()
        || !tool::hasSignInOptions(*options))
        return usage();

    auto signIn = tool::readSignIn(*options, "qel-check-server");
    if (const int* exitCode = std::get_if<int>(&signIn))
        return *exitCode;
    const auto& user = std::get<tool::SignIn>(signIn);
    const auto refused = tool::readFurtherUser(*options, "--refused-user", "--refused-password", "qel-check-server");
    if (const int* exitCode = std::get_if<int>(&refused))
        return *exitCode;
    server_check::Target target;
    target.settings = user.settings;
    target.userLogin = user.userLogin;
    target.userPassword = user.userPassword;
    if (const auto& refusedUser = std::get<std::optional<tool::UserCredentials>>(refused)) {
        target.refusedLogin = refusedUser->login;
        target.refusedPassword = refusedUser->password;
    }
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
