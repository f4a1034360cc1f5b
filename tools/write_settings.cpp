// qel-settings: writes the connection settings file Data/QEL that the program
// reads at every sign-in. Texts are given in UTF-8 and stored as Windows-1251.
//
//   qel-settings --server S --database D --login L --password P [--output FILE]
//
// "--password -" reads the password from the first line of standard input, so
// it need not appear in the process list. Nothing secret is printed.
#include "platform/cp1251.h"
#include "platform/files.h"
#include "signin/connection_settings.h"

#include <iostream>
#include <map>
#include <optional>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: qel-settings --server S --database D --login L --password P|- [--output FILE]\n"
                 "Writes the 84-byte connection settings file (default: Data/QEL beside this tool).\n"
                 "A server of the form file:PATH names the embedded database file.\n";
    return 2;
}

std::optional<std::string> toWindows1251(const std::string& name, const std::string& utf8)
{
    auto bytes = platform::utf8ToCp1251(utf8);
    if (!bytes) {
        std::cerr << "qel-settings: the " << name << " has a character that Windows-1251 cannot hold\n";
        return std::nullopt;
    }
    if (bytes->size() > settings_file::kFieldSize) {
        std::cerr << "qel-settings: the " << name << " is longer than 20 characters\n";
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[argv[i]] = argv[i + 1];
    if (argc % 2 == 0 || !options.count("--server") || !options.count("--database")
        || !options.count("--login") || !options.count("--password"))
        return usage();

    std::string password = options["--password"];
    if (password == "-" && !std::getline(std::cin, password)) {
        std::cerr << "qel-settings: no password on standard input\n";
        return 1;
    }

    const auto server = toWindows1251("server", options["--server"]);
    const auto database = toWindows1251("database", options["--database"]);
    const auto login = toWindows1251("login", options["--login"]);
    const auto secret = toWindows1251("password", password);
    if (!server || !database || !login || !secret)
        return 1;

    const std::string path = options.count("--output")
        ? options["--output"]
        : platform::joinPath(platform::programFolder(), {"Data", "QEL"});
    try {
        const size_t cut = path.find_last_of("/\\");
        if (cut != std::string::npos)
            platform::createFolder(path.substr(0, cut));
        platform::writeFile(path, EncodeConnectionSettings({*login, *secret, *database, *server}));
    } catch (const std::exception& error) {
        std::cerr << "qel-settings: " << error.what() << '\n';
        return 1;
    }
    std::cout << "Wrote " << path << '\n';
    return 0;
}
