// qel-report: the documents of QEL 23 from the command line, for
// administrators. Signs in like qel-check-server (the gateway login of
// Data/QEL beside the tool, or --server/--database/--login/--password; then
// the user through GET_USER), so the user's own departments limit what can be
// reported.
//
//   qel-report --user LOGIN --user-password P|- --year CAPTION --department NAME
//              --document IDENTIFIER --format pdf|odt|csv --out PATH
//              [--teacher FULL_NAME] [--from YEAR --to YEAR]
//              [--server S --database D --login L --password P|-]
//
// The documents are those of the table of documents (reports/documents.h).
// Year, department and teacher are given as the main window's pickers show
// them. --from and --to choose calendar years for the documents made for a
// period ("works": by default the last five up to this one; "publications":
// the academic year by default). A document for a teacher without --teacher writes one file per teacher
// of the department into the folder --out. "csv" is for the documents that
// are lists. Exit code 0 when written, 1 when the sign-in is refused, a year,
// department or teacher is not found (nothing is written then) or a file
// cannot be written, 2 for a wrong command line, 3 when Data/QEL cannot be
// read.
#include "command_line.h"
#include "output_path.h"
#include "user_sign_in.h"

#include "data/data_module.h"
#include "reports/documents.h"
#include "reports/report_files.h"
#include "reports/report_scope.h"
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
    QStringList identifiers, forTeachers, lists, periods;
    for (const reports::DocumentKind& kind : reports::documentKinds()) {
        identifiers << kind.identifier;
        if (kind.needs(reports::Picker::Teacher))
            forTeachers << u'"' + kind.identifier + u'"';
        if (kind.isList)
            lists << u'"' + kind.identifier + u'"';
        if (kind.period != reports::PeriodChoice::None)
            periods << u'"' + kind.identifier + u'"';
    }
    std::cerr << "usage: qel-report --user LOGIN --user-password PASSWORD|- --year CAPTION --department NAME\n"
                 "                  --document "
              << identifiers.join(u'|').toStdString()
              << " --format pdf|odt|csv --out PATH\n"
                 "                  [--teacher FULL_NAME] [--from YEAR --to YEAR]\n"
                 "                  [--server S --database D --login L --password P|-]\n"
                 "Makes one of the program's documents. Without --teacher, "
              << forTeachers.join(QStringLiteral(", ")).toStdString()
              << " writes one file per teacher of\nthe department into the folder PATH. \"csv\" is for "
              << lists.join(QStringLiteral(", ")).toStdString()
              << " only. --from and --to choose calendar years for "
              << periods.join(QStringLiteral(", ")).toStdString() << ". Without --server, the server, database\nand gateway login are read from Data/QEL beside "
                 "this tool. An existing file at PATH is replaced (a\nsymbolic link there too, not what it points to); the "
                 "program's own files and its Data\nfolder are refused.\n";
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
QString save(const reports::MadeDocument& document, const QString& format, const QString& path)
{
    if (const auto refused = tool::refusedOutput(path))
        throw std::runtime_error(refused->toStdString() + "; nothing was written");
    if (format == u"pdf") {
        const int pages = reports::savePdf(*document.text, path);
        return pages == 1 ? QStringLiteral(" (1 page)") : QStringLiteral(" (%1 pages)").arg(pages);
    }
    if (format == u"csv")
        reports::saveCsv(*document.csv, path);
    else
        reports::saveOdt(*document.text, path);
    return {};
}

// --from YEAR --to YEAR, both or neither, for a document made for calendar
// years; false for a wrong pair.
bool readCalendarYears(const tool::Options& options, const reports::DocumentKind& kind,
                       std::optional<reports::YearRange>& years)
{
    if (!options.has("--from") && !options.has("--to"))
        return true;
    if (kind.period == reports::PeriodChoice::None || !options.has("--from") || !options.has("--to"))
        return false;
    bool fromOk = false, toOk = false;
    const int from = QString::fromStdString(options.value("--from")).toInt(&fromOk);
    const int to = QString::fromStdString(options.value("--to")).toInt(&toOk);
    if (!fromOk || !toOk || from < 1900 || to > 2100 || from > to)
        return false;
    years = reports::YearRange{from, to};
    return true;
}

// One file per teacher in the folder, named after the teacher (a second
// teacher of the same name gets a number).
int writeForEachTeacher(db::Connection& connection, const reports::DocumentKind& kind,
                        const QVector<reports::Teacher>& teachers, reports::DocumentScope scope, const QString& format,
                        const QString& folder)
{
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return refuse(QStringLiteral("%1 is a file; without --teacher, --out names a folder").arg(folder));
    if (!QDir().mkpath(folder))
        return refuse(QStringLiteral("cannot create the folder %1").arg(folder));
    std::set<QString> used;
    int number = 0;
    for (const reports::Teacher& teacher : teachers) {
        scope.teacher = teacher;
        const reports::MadeDocument made = kind.make(connection, scope);
        QString name = made.fileName;
        for (int copy = 2; used.count(name.toLower()); ++copy)
            name = made.fileName + QStringLiteral(" (%1)").arg(copy);
        used.insert(name.toLower());
        const QString path = QDir(folder).filePath(name + u'.' + format);
        const QString pages = save(made, format, path);
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
                             + " --year --department --document --format --out --teacher --from --to")
                .empty()
        || !tool::hasSignInOptions(*options) || !options->has("--year") || !options->has("--department")
        || !options->has("--out"))
        return usage();
    const reports::DocumentKind* kind = reports::findDocumentKind(QString::fromStdString(options->value("--document")));
    const QString format = QString::fromStdString(options->value("--format"));
    if (!kind || (format != u"pdf" && format != u"odt" && format != u"csv") || (format == u"csv" && !kind->isList)
        || (options->has("--teacher") && !kind->needs(reports::Picker::Teacher)))
        return usage();
    std::optional<reports::YearRange> years;
    if (!readCalendarYears(*options, *kind, years))
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
        reports::DocumentScope scope{*year, *department, std::nullopt, QDate::currentDate(), years};

        if (kind->needs(reports::Picker::Teacher)) {
            const QVector<reports::Teacher> teachers = reports::readDepartmentTeachers(connection, *year, *department);
            if (!options->has("--teacher")) {
                if (teachers.isEmpty())
                    return refuse(QStringLiteral("\"%1\" has no teachers in %2").arg(department->name, year->caption));
                return writeForEachTeacher(connection, *kind, teachers, scope, format, out);
            }
            const QString teacherName = QString::fromStdString(options->value("--teacher"));
            const auto teacher = std::find_if(teachers.begin(), teachers.end(), [&](const reports::Teacher& t) {
                return reports::sameName(t.name, teacherName);
            });
            if (teacher == teachers.end())
                return refuse(QStringLiteral("there is no teacher \"%1\" in \"%2\" in %3")
                                  .arg(teacherName, department->name, year->caption));
            scope.teacher = *teacher;
        }
        const QString pages = save(kind->make(connection, scope), format, out);
        std::cout << "Wrote " << QDir::toNativeSeparators(out).toStdString() << pages.toStdString() << '\n';
        return 0;
    } catch (const std::exception& error) {
        return refuse(QString::fromUtf8(error.what()));
    }
}
