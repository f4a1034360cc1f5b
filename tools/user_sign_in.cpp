#include "user_sign_in.h"

#include "db/connection.h"
#include "platform/cp1251.h"
#include "platform/workstation.h"
#include "signin/text8.h"

#include <QCoreApplication>

#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tool {

std::optional<Options> applicationOptions()
{
    const QStringList all = QCoreApplication::arguments();
    std::vector<std::string> arguments;
    for (qsizetype i = 1; i < all.size(); ++i)
        arguments.push_back(all[i].toStdString());
    return Options::parse(arguments);
}

namespace {

std::optional<std::string> secret(const std::string& value)
{
    if (value != "-")
        return value;
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

bool hasSignInOptions(const Options& options)
{
    const bool settingsValues = options.has("--database") && options.has("--login") && options.has("--password");
    return options.has("--user") && options.has("--user-password") && options.has("--server") == settingsValues;
}

std::variant<SignIn, int> readSignIn(const Options& options, const std::string& toolName)
{
    const bool givenServer = options.has("--server");

    bool representable = true;
    auto windows1251 = [&](const std::string& what, const std::string& utf8) {
        auto bytes = platform::utf8ToCp1251(utf8);
        if (!bytes) {
            std::cerr << toolName << ": the " << what << " has a character that Windows-1251 cannot hold\n";
            representable = false;
        }
        return bytes.value_or(std::string());
    };

    SignIn signIn;
    if (givenServer) {
        const auto password = secret(options.value("--password"));
        if (!password) {
            std::cerr << toolName << ": the settings password was not given on standard input\n";
            return kWrongCommandLine;
        }
        signIn.settings = {windows1251("login", options.value("--login")), windows1251("password", *password),
                           windows1251("database", options.value("--database")),
                           windows1251("server", options.value("--server"))};
    } else {
        try {
            signIn.settings = ReadConnectionSettings();
        } catch (const std::exception& error) {
            std::cerr << toolName << ": cannot read " << ConnectionSettingsPath() << ": " << error.what() << '\n';
            return kSettingsUnreadable;
        }
    }
    const auto userPassword = secret(options.value("--user-password"));
    if (!userPassword) {
        std::cerr << toolName << ": the user's password was not given on standard input\n";
        return kWrongCommandLine;
    }
    signIn.userLogin = windows1251("user login", options.value("--user"));
    signIn.userPassword = windows1251("user password", *userPassword);
    if (!representable)
        return kWrongCommandLine;
    return signIn;
}

std::variant<std::optional<UserCredentials>, int> readFurtherUser(const Options& options, const std::string& loginOption,
                                                                  const std::string& passwordOption,
                                                                  const std::string& toolName)
{
    if (!options.has(loginOption) && !options.has(passwordOption))
        return std::nullopt;
    if (!options.has(loginOption) || !options.has(passwordOption)) {
        std::cerr << toolName << ": " << loginOption << " and " << passwordOption << " go together\n";
        return kWrongCommandLine;
    }
    const auto password = secret(options.value(passwordOption));
    if (!password) {
        std::cerr << toolName << ": the " << passwordOption << " was not given on standard input\n";
        return kWrongCommandLine;
    }
    const auto login = platform::utf8ToCp1251(options.value(loginOption));
    const auto password1251 = platform::utf8ToCp1251(*password);
    if (!login || !password1251) {
        std::cerr << toolName << ": " << loginOption << " or " << passwordOption
                  << " has a character that Windows-1251 cannot hold\n";
        return kWrongCommandLine;
    }
    return std::optional<UserCredentials>(UserCredentials{*login, *password1251});
}

Workstation thisWorkstation()
{
    std::string address = "127.0.0.1";
    try {
        address = platform::firstIPv4OfHostName();
    } catch (const std::exception&) {
        // The loopback address stands in.
    }
    return {address, platform::computerName()};
}

std::optional<QString> refusalOf(SignInDecision decision, const GetUserReply& reply)
{
    switch (decision) {
    case SignInDecision::SelfUpdate:
        return QStringLiteral("GET_USER handed out no database login: it asks the program to update itself first "
                              "(update flag %1)")
            .arg(reply.updateFlag.value());
    case SignInDecision::ShowServerMessage: return reply.message;
    case SignInDecision::ForcePasswordChange:
        return QStringLiteral("the user's password has expired: change it in the program first");
    case SignInDecision::OfferPasswordChange:
    case SignInDecision::Accept: break;
    }
    return std::nullopt;
}

QString signInUser(db::Connection& connection, const SignIn& signIn)
{
    SignInExchange exchange(connection, signIn.settings);
    if (const std::optional<QString> refusal = exchange.connectGateway())
        throw std::runtime_error(refusal->toStdString());
    const GetUserReply reply =
        exchange.askGetUser({fromText8(signIn.userLogin), fromText8(signIn.userPassword), QStringLiteral("NULL")},
                            thisWorkstation());
    exchange.close();
    if (const std::optional<QString> refusal = refusalOf(decideSignIn(reply, 1), reply))
        throw std::runtime_error(refusal->toStdString());
    if (reply.shiftedDatabaseLogin.isEmpty())
        throw std::runtime_error("GET_USER handed out no database login for the user");
    return exchange.userConnectionString(reply);
}

} // namespace tool
