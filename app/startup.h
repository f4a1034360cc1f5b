#pragma once
// The program's start-up and shutdown order.
namespace controls { class Application; }

// Runs the program on an application object made by the caller: data module,
// hidden main window with the modal sign-in, then the event loop until the
// main window is closed or termination is requested. Returns the loop's code.
int runProgram(controls::Application& app);

// Creates the sign-in window, remembers it in Form8, shows it modally,
// destroys it and clears Form8. True when it closed with OK.
bool runSignIn();
