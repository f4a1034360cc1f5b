// qel-screenshots: pictures of the sign-in window, of the main window with
// a teacher chosen, of its reports menu and of a teacher's profile in the
// preview, for the README. Runs the real windows on the demo
// database beside the executable (Data/QEL, Data/demo.db), signs in as the
// demo user and picks a year, a department and a teacher. With --desktop, only
// the whole screen with the main window as the program placed it, frame and
// all, as main-1366x768.png (taken under a window manager on a 1366 x 768 screen).
//
//   qel-screenshots OUTPUT_FOLDER [--desktop]   (scripts/screenshots.sh runs it under Xvfb)
#include "controls/application.h"
#include "data/data_module.h"
#include "signin/sign_in_window.h"
#include "ui/main_window.h"
#include "ui/report_preview.h"
#include "ui/reports_menu.h"

#include <QDir>
#include <QScreen>
#include <QToolButton>
#include <QLineEdit>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

void save(QWidget& window, const QString& path)
{
    QTest::qWait(300); // let the window system map and paint it
    if (!window.grab().save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("wrote %s\n", qPrintable(path));
}

bool signInAsDemo(const QString& folder)
{
    auto window = std::make_unique<TForm8>();
    Form8 = window.get();
    window->show();
    window->Login_Edit->setText(QStringLiteral("demo"));
    window->Password_Edit->setText(QStringLiteral("demo2026"));
    save(*window, QDir(folder).filePath(QStringLiteral("signin.png")));
    window->SpeedButton2Click();
    const bool accepted = window->result() == QDialog::Accepted;
    Form8 = nullptr;
    return accepted;
}

// Year 2023/2024, the first of the user's departments, the first teacher.
void chooseTeacher(TForm1& form)
{
    form.DBLookupComboBox2->setKeyValue(16);
    form.DBLookupComboBox2Click();
    form.DBLookupComboBox1->setKeyValue(1);
    form.DBLookupComboBox1Click();
    form.DBLookupComboboxEh1->setKeyValue(1);
}

// The menu is a window of its own: the screen around the button and the menu.
void saveReportsMenu(TForm1& form, const QString& path)
{
    form.ReportsButtonClick();
    QTest::qWait(300);
    const QRect button(form.ReportsButton->mapToGlobal(QPoint(0, 0)), form.ReportsButton->size());
    const QRect area = button.united(form.ReportsMenu->geometry()).adjusted(-8, -8, 8, 8);
    if (!form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("wrote %s\n", qPrintable(path));
    form.ReportsMenu->close();
}

} // namespace

int main(int argc, char* argv[])
{
    controls::Application app(argc, argv);
    const bool desktop = argc == 3 && QLatin1String(argv[2]) == QLatin1String("--desktop");
    if (argc != 2 && !desktop) {
        std::fprintf(stderr, "usage: qel-screenshots OUTPUT_FOLDER [--desktop]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    app.setApplicationDisplayName(QString::fromUtf8(kProgramTitle));
    app.installToolkitTranslation(QStringLiteral("ru"));
    TDM_MB dataModule;
    DM_MB = &dataModule;
    TForm1 form([&] { return desktop ? signInAsDemo(QDir::temp().path()) : signInAsDemo(folder); });
    if (!app.showMainForm()) {
        std::fprintf(stderr, "the demo sign-in failed\n");
        return 1;
    }
    form.show();
    chooseTeacher(form);
    if (desktop) {
        // The window manager frames the window, the program fits it again.
        QTest::qWait(2000);
        const QString path = QDir(folder).filePath(QStringLiteral("main-1366x768.png"));
        if (!form.screen()->grabWindow(0).save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("wrote %s\n", qPrintable(path));
        DM_MB = nullptr;
        return 0;
    }
    save(form, QDir(folder).filePath(QStringLiteral("main.png")));
    saveReportsMenu(form, QDir(folder).filePath(QStringLiteral("reports-menu.png")));
    if (ui::ReportPreview* preview = form.ReportsMenu->show("profile"))
        save(*preview, QDir(folder).filePath(QStringLiteral("report-preview.png")));
    DM_MB = nullptr;
    return 0;
}
