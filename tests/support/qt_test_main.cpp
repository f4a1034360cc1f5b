// One application object for all tests of an executable, made as the program
// makes it, so that the error display is the program's own.
#include "controls/application.h"
#include "embedded_faults.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Headless always: CTest sets this too, but test discovery at build time does not.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    controls::Application app(argc, argv);
    db::embedded_faults::install();
    return RUN_ALL_TESTS();
}
