#pragma once
// How a command-line tool signs a user of the program in, as the program
// does: the settings file's gateway login (Data/QEL beside the tool, or the
// same four values on the command line), GET_USER with the user's login and
// password, then the user's own database login.
//
//   --user LOGIN --user-password P|- [--server S --database D --login L --password P|-]
//
// "-" reads a password from standard input, one line each, the settings
// password first, so that it need not appear in the process list. Texts are
// given in UTF-8.
#include "command_line.h"

#include "signin/connection_settings.h"
#include "signin/sign_in_exchange.h"

#include <QString>

#include <optional>
#include <string>
#include <variant>

namespace db {
class Connection;
}

namespace tool {

inline constexpr char kSignInOptionNames[] = "--user --user-password --server --database --login --password";

struct SignIn {
    TFirstConnectInfo settings; // Windows-1251 bytes
    std::string userLogin;      // Windows-1251 bytes
    std::string userPassword;   // Windows-1251 bytes
};

// Exit codes for what readSignIn() refuses.
inline constexpr int kWrongCommandLine = 2;
inline constexpr int kSettingsUnreadable = 3;

// The command line of a tool with an application object as options, its
// arguments decoded by Qt: on Windows from the wide command line, so that a
// Cyrillic login or name arrives whole whatever the code page.
std::optional<Options> applicationOptions();

// Whether the command line has the user's options and either all four
// settings values or none.
bool hasSignInOptions(const Options& options);

// The sign-in of a command line that has its options, or the exit code after
// the reason has been printed to standard error after "`toolName`: ".
std::variant<SignIn, int> readSignIn(const Options& options, const std::string& toolName);

// A further user given by `loginOption` and `passwordOption` ("-": the next
// line of standard input, after the sign-in's passwords), in Windows-1251
// bytes; nullopt when the command line names none; or the exit code after
// the reason has been printed as readSignIn() does.
struct UserCredentials {
    std::string login;
    std::string password;
};
std::variant<std::optional<UserCredentials>, int> readFurtherUser(const Options& options, const std::string& loginOption,
                                                                  const std::string& passwordOption,
                                                                  const std::string& toolName);

// This computer as GET_USER is told of it; the loopback address where the
// host name does not resolve (the server does not depend on it).
Workstation thisWorkstation();

// What keeps the program from signing the user in, in the tools' words: an
// update the program would start first, the server's message, a password
// that must first be changed in the program. Nullopt where the program signs
// the user in (or merely offers a new password).
std::optional<QString> refusalOf(SignInDecision decision, const GetUserReply& reply);

// Signs the user in over `connection` as the program does (SignInExchange,
// decideSignIn) and returns the connection string of the user's own database
// login; the connection is left closed. Throws std::runtime_error with the
// reason: the server's refusal of the gateway login, GET_USER's refusal
// ("Неверный логин или пароль", a blocked account ...), or no database login
// handed out.
QString signInUser(db::Connection& connection, const SignIn& signIn);

} // namespace tool
