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

MadeDocument makePublications(db::Connection& connection, const DocumentScope& scope)
{
    const DepartmentPublications publications =
        readDepartmentPublications(connection, scope.department, scope.year, scope.made);
    return {makePublicationsDocument(publications), publicationsFileName(publications),
            makePublicationsCsv(publications)};
}

} // namespace

const QVector<DocumentKind>& documentKinds()
{
    static const QVector<DocumentKind> kinds = {
        {QStringLiteral("profile"), QStringLiteral("Профиль преподавателя"),
         {Picker::Year, Picker::Department, Picker::Teacher}, false, makeProfile},
        {QStringLiteral("publications"), QStringLiteral("Публикации кафедры за год"),
         {Picker::Year, Picker::Department}, true, makePublications},
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
