#include "controls/application.h"

#include "controls/dialogs.h"

#include <QDialog>

#include <exception>

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
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(tr("Unknown error"));
    }
    return false;
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
