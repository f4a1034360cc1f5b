// qel-make-demo-db: builds the embedded server's demo database.
//
//   qel-make-demo-db --schema sql/sqlite/schema.sql --data sql/sqlite/demo_data.sql --output PATH
//
// Both scripts run in one transaction on a new file, which then replaces PATH;
// when a script fails, PATH is left as it was and the exit code is 1.
#include "command_line.h"
#include "sqlite_tool.h"

#include <iostream>

namespace {

int usage()
{
    std::cerr << "usage: qel-make-demo-db --schema SCHEMA.sql --data DATA.sql --output FILE.db\n"
                 "Builds a new SQLite database from the two scripts and puts it in place of FILE.db.\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    const auto options = tool::Options::parse(argc, argv);
    if (!options || !options->has("--schema") || !options->has("--data") || !options->has("--output")
        || !options->unknown("--schema --data --output").empty())
        return usage();

    try {
        sqlite_tool::buildFromScripts(options->value("--schema"), options->value("--data"), options->value("--output"));
    } catch (const std::exception& error) {
        std::cerr << "qel-make-demo-db: " << error.what() << '\n';
        return 1;
    }
    std::cout << "Wrote " << options->value("--output") << '\n';
    return 0;
}
