#include "reports/documents.h"

#include "reports/report_document.h"

namespace reports {
namespace {

MadeDocument makeProfile(db::Connection& connection, const DocumentScope& scope)
{
    const TeacherProfile profile =
        readTeacherProfile(connection, scope.teacher.value_or(Teacher{}), scope.department, scope.year, scope.made);
    return {makeProfileDocument(profile), profileFileName(profile), std::nullopt};
}

std::optional<ReportPeriod> calendarPeriod(const std::optional<YearRange>& years)
{
    if (!years)
        return std::nullopt;
    return ReportPeriod::calendarYears(years->first, years->last);
}

MadeDocument makePublications(db::Connection& connection, const DocumentScope& scope)
{
    const DepartmentPublications publications = readDepartmentPublications(
        connection, scope.department, scope.year, scope.made, calendarPeriod(scope.calendarYears));
    return {makePublicationsDocument(publications), publicationsFileName(publications),
            makePublicationsCsv(publications)};
}

MadeDocument makeWorks(db::Connection& connection, const DocumentScope& scope)
{
    const TeacherWorks works =
        readTeacherWorks(connection, scope.teacher.value_or(Teacher{}), scope.department,
                         *calendarPeriod(scope.calendarYears.value_or(defaultCalendarYears(scope.made))), scope.made);
    return {makeWorksDocument(works), worksFileName(works), makeWorksCsv(works)};
}

} // namespace

YearRange defaultCalendarYears(const QDate& made)
{
    return {made.year() - 4, made.year()};
}

const QVector<DocumentKind>& documentKinds()
{
    static const QVector<DocumentKind> kinds = {
        {QStringLiteral("profile"), QStringLiteral("Профиль преподавателя"),
         {Picker::Year, Picker::Department, Picker::Teacher}, false, PeriodChoice::None, makeProfile},
        {QStringLiteral("publications"), QStringLiteral("Публикации кафедры за год"),
         {Picker::Year, Picker::Department}, true, PeriodChoice::AcademicOrCalendarYears, makePublications},
        {QStringLiteral("works"), QStringLiteral("Список трудов"), {Picker::Year, Picker::Department, Picker::Teacher},
         true, PeriodChoice::CalendarYears, makeWorks},
    };
    return kinds;
}

const DocumentKind* findDocumentKind(const QString& identifier)
{
    for (const DocumentKind& kind : documentKinds())
        if (kind.identifier == identifier)
            return &kind;
    return nullptr;
}

} // namespace reports
