#include "startup.h"

#include "controls/application.h"
#include "data/data_module.h"
#include "signin/sign_in_window.h"
#include "ui/main_window.h"

#include <QScreen>
#include <QStyle>

#include <memory>

bool runSignIn()
{
    auto window = std::make_unique<TForm8>();
    Form8 = window.get();
    const bool accepted = window->exec() == QDialog::Accepted;
    window.reset();
    Form8 = nullptr;
    return accepted;
}

namespace {

// On a screen smaller than the window, the window shrinks to the screen and
// its content scrolls: the application fits every window as it is shown, and
// again once the window manager's frame is known (controls/screen_fit.h).
void showCentred(QWidget& window)
{
    window.show();
    if (window.isMaximized())
        return;
    const QRect available = window.screen()->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveCenter(available.center());
    window.move(frame.topLeft());
}

} // namespace

int runProgram(controls::Application& app)
{
    // The name message boxes are captioned with. Not the display name: the
    // toolkit would append that to every window's caption.
    app.setApplicationName(QString::fromUtf8(kProgramTitle));
    app.setShowMainForm(false);
    // The toolkit's standard buttons, file dialogs and editors' menus speak
    // the program's language; without the file they stay English.
    app.installToolkitTranslation(QStringLiteral("ru"));

    auto dataModule = std::make_unique<TDM_MB>();
    DM_MB = dataModule.get();
    auto mainWindow = std::make_unique<TForm1>(runSignIn);

    int code = 0;
    if (!app.isTerminated() && app.showMainForm()) {
        showCentred(*mainWindow);
        code = app.exec();
    }

    mainWindow.reset();
    dataModule.reset();
    DM_MB = nullptr;
    return code;
}
