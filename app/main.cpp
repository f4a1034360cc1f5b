#include "startup.h"

#include "controls/application.h"

int main(int argc, char* argv[])
{
    controls::Application app(argc, argv);
    return runProgram(app);
}
