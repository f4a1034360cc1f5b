// qel-settings: writes the connection settings file Data/QEL that the program
// reads at every sign-in. Texts are given in UTF-8 and stored as Windows-1251.
//
//   qel-settings --server S --database D --login L --password P [--output FILE]
//
// "--password -" reads the password from the first line of standard input, so
// it need not appear in the process list; the line's ending (LF or CR LF) is
// not part of it. Nothing secret is printed. Values may hold semicolons,
// quotes and blanks (the connection string quotes them); a control character
// or a '}' is refused. Unknown, repeated or missing options print the usage
// and write nothing. The file is written beside its final name and renamed
// over it, so a failure leaves an existing file whole; a new file is readable
// by its owner only (POSIX), a replaced one keeps its permissions.
#include "command_line.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "signin/connection_settings.h"

#include <iostream>
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
    // Semicolons, quotes and blanks are quoted in the connection string; these
    // two cannot be carried to every server the same way.
    if (platform::hasControlCharacter(*bytes)) {
        std::cerr << "qel-settings: the " << name << " has a control character, which a connection string "
                     "cannot carry\n";
        return std::nullopt;
    }
    if (bytes->find('}') != std::string::npos) {
        std::cerr << "qel-settings: the " << name << " has a '}', which ODBC drivers read in different ways "
                     "(FreeTDS before 1.4 would send it doubled)\n";
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    const auto options = tool::Options::parse(argc, argv);
    if (!options) {
        std::cerr << "qel-settings: options come in pairs, each named once\n";
        return usage();
    }
    if (const std::string unknown = options->unknown("--server --database --login --password --output");
        !unknown.empty()) {
        std::cerr << "qel-settings: unknown option " << unknown << '\n';
        return usage();
    }
    if (!options->has("--server") || !options->has("--database") || !options->has("--login")
        || !options->has("--password"))
        return usage();

    std::string password = options->value("--password");
    if (password == "-") {
        if (!std::getline(std::cin, password)) {
            std::cerr << "qel-settings: no password on standard input\n";
            return 1;
        }
        // getline took the line feed; a line from a Windows-edited file also
        // ends in a carriage return.
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
    }

    const auto server = toWindows1251("server", options->value("--server"));
    const auto database = toWindows1251("database", options->value("--database"));
    const auto login = toWindows1251("login", options->value("--login"));
    const auto secret = toWindows1251("password", password);
    if (!server || !database || !login || !secret)
        return 1;
    // "host,port" names a port, which is digits only; an embedded file's name is no host.
    if (const size_t comma = server->find(','); server->rfind("file:", 0) != 0 && comma != std::string::npos) {
        const std::string port = server->substr(comma + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) {
            std::cerr << "qel-settings: the server's port (after the comma) must be digits only\n";
            return 1;
        }
    }

    const std::string path = options->has("--output")
        ? options->value("--output")
        : platform::joinPath(platform::programFolder(), {"Data", "QEL"});
    try {
        const size_t cut = path.find_last_of("/\\");
        if (cut != std::string::npos)
            platform::createFolder(path.substr(0, cut));
        // The file holds the gateway's password: a new one is for its owner's eyes only.
        platform::writeFile(path, EncodeConnectionSettings({*login, *secret, *database, *server}),
                            platform::NewFileAccess::OwnerOnly);
    } catch (const platform::WriteError& error) {
        std::cerr << "qel-settings: cannot write " << error.pathText() << ": " << error.reason()
                  << "; a file that was there is left as it was\n";
        return 1;
    }
    std::cout << "Wrote " << path << '\n';
    return 0;
}
