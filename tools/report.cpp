// qel-report: the documents of QEL 23 from the command line, for
// administrators. Signs in like qel-check-server (the gateway login of
// Data/QEL beside the tool, or --server/--database/--login/--password; then
// the user through GET_USER), so the user's own departments limit what can be
// reported.
//
//   qel-report --user LOGIN --user-password P|- --year CAPTION --department NAME
//              --document profile|publications --format pdf|odt|csv --out PATH
//              [--teacher FULL_NAME] [--server S --database D --login L --password P|-]
//
// Year, department and teacher are given as the main window's pickers show
// them. "profile" without --teacher writes one file per teacher of the
// department into the folder --out. "csv" is for "publications" only: one row
// per publication with the teacher's name. Exit code 0 when written, 1 when
// the sign-in is refused, a year, department or teacher is not found (nothing
// is written then) or a file cannot be written, 2 for a wrong command line,
// 3 when Data/QEL cannot be read.
#include "command_line.h"
#include "output_path.h"
#include "user_sign_in.h"

#include "data/data_module.h"
#include "data/report_document.h"
#include "data/report_files.h"
#include "data/report_scope.h"
#include "data/session_loading.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <iostream>
#include <set>
#include <stdexcept>

namespace {

constexpr char kTool[] = "qel-report";
constexpr int kRefused = 1;

int usage()
{
    std::cerr << "usage: qel-report --user LOGIN --user-password PASSWORD|- --year CAPTION --department NAME\n"
                 "                  --document profile|publications --format pdf|odt|csv --out PATH\n"
                 "                  [--teacher FULL_NAME] [--server S --database D --login L --password P|-]\n"
                 "Makes a teacher's profile or a department's publications of an academic year. Without\n"
                 "--teacher, \"profile\" writes one file per teacher of the department into the folder PATH.\n"
                 "\"csv\" is for \"publications\" only. Without --server, the server, database and gateway\n"
                 "login are read from Data/QEL beside this tool. An existing file at PATH is replaced (a\n"
                 "symbolic link there too, not what it points to); the program's own files and its Data\n"
                 "folder are refused.\n";
    return tool::kWrongCommandLine;
}

int refuse(const QString& why)
{
    std::cerr << kTool << ": " << why.toStdString() << '\n';
    return kRefused;
}

QString quotedList(const QStringList& names)
{
    return names.isEmpty() ? QStringLiteral("none") : u'"' + names.join(QStringLiteral("\", \"")) + u'"';
}

// The signed-in user, as the main window holds it for the data module.
class ToolSession : public SessionState {
public:
    explicit ToolSession(QString login)
        : m_login(std::move(login))
    {
    }
    QVariant currentTeacherKey() const override { return {}; }
    QString signedInLogin() const override { return m_login; }
    void setSignedInLogin(const QString& login) override { m_login = login; }

private:
    QString m_login;
};

// Writes the document in the format; "pdf" reports its pages.
QString save(const QTextDocument& document, const QString& format, const QString& path)
{
    if (const auto refused = tool::refusedOutput(path))
        throw std::runtime_error(refused->toStdString() + "; nothing was written");
    if (format == u"pdf") {
        const int pages = reports::savePdf(document, path);
        return pages == 1 ? QStringLiteral(" (1 page)") : QStringLiteral(" (%1 pages)").arg(pages);
    }
    reports::saveOdt(document, path);
    return {};
}

// One file per teacher in the folder, named after the teacher (a second
// teacher of the same name gets a number).
int writeProfiles(db::Connection& connection, const QVector<reports::Teacher>& teachers,
                  const reports::Department& department, const reports::AcademicYear& year, const QString& format,
                  const QString& folder)
{
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return refuse(QStringLiteral("%1 is a file; without --teacher, --out names a folder").arg(folder));
    if (!QDir().mkpath(folder))
        return refuse(QStringLiteral("cannot create the folder %1").arg(folder));
    std::set<QString> used;
    int number = 0;
    for (const reports::Teacher& teacher : teachers) {
        const reports::TeacherProfile profile =
            reports::readTeacherProfile(connection, teacher, department, year, QDate::currentDate());
        QString name = reports::profileFileName(profile);
        for (int copy = 2; used.count(name.toLower()); ++copy)
            name = reports::profileFileName(profile) + QStringLiteral(" (%1)").arg(copy);
        used.insert(name.toLower());
        const QString path = QDir(folder).filePath(name + u'.' + format);
        const QString pages = save(*reports::makeProfileDocument(profile), format, path);
        std::cout << '[' << ++number << '/' << teachers.size() << "] " << teacher.name.toStdString() << ": "
                  << QDir::toNativeSeparators(path).toStdString() << pages.toStdString() << '\n'
                  << std::flush;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // A tool for consoles and scripts: it draws on no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const auto options = tool::applicationOptions();
    if (!options
        || !options->unknown(std::string(tool::kSignInOptionNames)
                             + " --year --department --document --format --out --teacher")
                .empty()
        || !tool::hasSignInOptions(*options) || !options->has("--year") || !options->has("--department")
        || !options->has("--out"))
        return usage();
    const QString document = QString::fromStdString(options->value("--document"));
    const QString format = QString::fromStdString(options->value("--format"));
    if ((document != u"profile" && document != u"publications")
        || (format != u"pdf" && format != u"odt" && format != u"csv")
        || (format == u"csv" && document != u"publications") || (options->has("--teacher") && document != u"profile"))
        return usage();
    const auto signIn = tool::readSignIn(*options, kTool);
    if (const int* code = std::get_if<int>(&signIn))
        return *code;

    const QString userLogin = QString::fromStdString(options->value("--user"));
    const QString yearCaption = QString::fromStdString(options->value("--year"));
    const QString departmentName = QString::fromStdString(options->value("--department"));
    const QString out = QString::fromStdString(options->value("--out"));

    TDM_MB dataModule;
    ToolSession session(userLogin);
    dataModule.setSession(&session);
    try {
        startSession(dataModule, tool::signInUser(*dataModule.ADOCon, std::get<tool::SignIn>(signIn)), userLogin);
    } catch (const std::exception& error) {
        return refuse(QStringLiteral("the sign-in of \"%1\" failed: %2").arg(userLogin, QString::fromUtf8(error.what())));
    }

    try {
        const auto year = reports::findYear(dataModule, yearCaption);
        if (!year)
            return refuse(QStringLiteral("there is no academic year \"%1\"; the years are %2")
                              .arg(yearCaption, quotedList(reports::yearCaptions(dataModule))));
        const auto department = reports::findDepartment(dataModule, departmentName);
        if (!department)
            return refuse(QStringLiteral("\"%1\" is not a department of the user \"%2\"; the user's departments are %3")
                              .arg(departmentName, userLogin, quotedList(reports::departmentNames(dataModule))));
        db::Connection& connection = *dataModule.ADOCon;
        const QDate today = QDate::currentDate();

        if (document == u"publications") {
            const reports::DepartmentPublications publications =
                reports::readDepartmentPublications(connection, *department, *year, today);
            QString pages;
            if (const auto refused = tool::refusedOutput(out); refused && format == u"csv")
                return refuse(*refused + QStringLiteral("; nothing was written"));
            if (format == u"csv")
                reports::saveCsv(reports::makePublicationsCsv(publications), out);
            else
                pages = save(*reports::makePublicationsDocument(publications), format, out);
            std::cout << "Wrote " << QDir::toNativeSeparators(out).toStdString() << pages.toStdString() << '\n';
            return 0;
        }

        const QVector<reports::Teacher> teachers = reports::readDepartmentTeachers(connection, *year, *department);
        if (!options->has("--teacher")) {
            if (teachers.isEmpty())
                return refuse(QStringLiteral("\"%1\" has no teachers in %2").arg(department->name, year->caption));
            return writeProfiles(connection, teachers, *department, *year, format, out);
        }
        const QString teacherName = QString::fromStdString(options->value("--teacher"));
        const auto teacher = std::find_if(teachers.begin(), teachers.end(), [&](const reports::Teacher& t) {
            return reports::sameName(t.name, teacherName);
        });
        if (teacher == teachers.end())
            return refuse(QStringLiteral("there is no teacher \"%1\" in \"%2\" in %3")
                              .arg(teacherName, department->name, year->caption));
        const QString pages = save(
            *reports::makeProfileDocument(reports::readTeacherProfile(connection, *teacher, *department, *year, today)),
            format, out);
        std::cout << "Wrote " << QDir::toNativeSeparators(out).toStdString() << pages.toStdString() << '\n';
        return 0;
    } catch (const std::exception& error) {
        return refuse(QString::fromUtf8(error.what()));
    }
}
