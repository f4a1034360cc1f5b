#include "controls/application.h"

#include "controls/dialogs.h"

#include <QDialog>


namespace controls {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

Application* Application::instance()
{
    return qobject_cast<Application*>(QCoreApplication::instance());
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // The last net: the controls' own entry points catch their failures.
    bool result = false;
    guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

void Application::terminate()
{
    m_terminated = true;
    for (QWidget* widget : topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog->isModal())
            dialog->reject();
    }
    quit();
}

} // namespace controls
