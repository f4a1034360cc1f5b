#pragma once
// Child processes for the tests of the command-line tools.
#include <QCoreApplication>
#include <QProcess>

namespace testing_support {

// A process object that lives until the application object goes. Under Wine,
// Qt's wait for a child's end can still post to the process object just after
// waitForFinished() has returned; destroyed (or started again) at once, it
// would take the test down with it.
inline QProcess& lastingProcess()
{
    return *new QProcess(QCoreApplication::instance());
}

} // namespace testing_support
