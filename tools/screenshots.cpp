// qel-screenshots: pictures of the sign-in window, of the main window with
// a teacher chosen (at its own size and at 1366 x 768), of its reports menu and of a teacher's profile in the
// preview, for the README. Runs the real windows on the demo
// database beside the executable (Data/QEL, Data/demo.db), signs in as the
// demo user and picks a year, a department and a teacher.
//
//   qel-screenshots OUTPUT_FOLDER      (scripts/screenshots.sh runs it under Xvfb)
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: qel-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    app.setApplicationDisplayName(QString::fromUtf8(kProgramTitle));
    TDM_MB dataModule;
    DM_MB = &dataModule;
    TForm1 form([&] { return signInAsDemo(folder); });
    if (!app.showMainForm()) {
        std::fprintf(stderr, "the demo sign-in failed\n");
        return 1;
    }
    form.show();
    chooseTeacher(form);
    save(form, QDir(folder).filePath(QStringLiteral("main.png")));
    // On a laptop's screen the content scrolls.
    const QSize ownSize = form.size();
    form.resize(1366, 768);
    save(form, QDir(folder).filePath(QStringLiteral("main-1366x768.png")));
    form.resize(ownSize);
    saveReportsMenu(form, QDir(folder).filePath(QStringLiteral("reports-menu.png")));
    if (ui::ReportPreview* preview = form.ReportsMenu->show("profile"))
        save(*preview, QDir(folder).filePath(QStringLiteral("report-preview.png")));
    DM_MB = nullptr;
    return 0;
}
