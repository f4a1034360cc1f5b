#include "startup.h"

#include "controls/application.h"
#include "controls/dialogs.h"

#include <exception>

int main(int argc, char* argv[])
{
    controls::Application app(argc, argv);
    try {
        return runProgram(app);
    } catch (const std::exception& error) {
        // A failure while the data module or the main window was being made.
        controls::showError(QString::fromUtf8(error.what()));
        return 1;
    }
}
