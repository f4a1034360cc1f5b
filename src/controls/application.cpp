#include "controls/application.h"

#include "controls/dialogs.h"
#include "controls/screen_fit.h"

#include <QDialog>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>


namespace controls {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    installEventFilter(new ScreenFit(this));
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

bool Application::installToolkitTranslation(const QString& language)
{
    const QStringList folders = {QDir(applicationDirPath()).filePath(QStringLiteral("translations")),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto translator = std::make_unique<QTranslator>();
    for (const QString& folder : folders)
        if (translator->load(QStringLiteral("qtbase_") + language, folder)) {
            translator->setParent(this);
            return installTranslator(translator.release());
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
