#include "reports/report_data.h"

#include "data/teacher_list.h"
#include "db/connection.h"
#include "db/errors.h"
#include "db/field_type.h"
#include "db/text_order.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace reports {
namespace {

// A statement's rows, read by column name.
class Rows {
public:
    explicit Rows(db::ResultSet result)
        : m_result(std::move(result))
    {
    }
    int count() const { return int(m_result.rows.size()); }
    int column(const QString& name) const
    {
        for (int i = 0; i < m_result.columns.size(); ++i)
            if (m_result.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        throw db::DatabaseError(QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                                               "name or ordinal: %1")
                                    .arg(name));
    }
    QString text(int row, int column) const
    {
        const QVariant& value = m_result.rows[row][column];
        return value.isNull() ? QString() : value.toString().trimmed();
    }
    std::optional<int> number(int row, int column) const
    {
        const QVariant& value = m_result.rows[row][column];
        if (value.isNull())
            return std::nullopt;
        bool ok = false;
        const int number = value.toInt(&ok);
        return ok ? std::optional<int>(number) : std::nullopt;
    }
    QDate date(int row, int column) const
    {
        return db::typedValue(m_result.rows[row][column], db::FieldType::Date).toDate();
    }

private:
    db::ResultSet m_result;
};

QString keyOf(int key)
{
    return QString::number(key);
}

// Type, title, date, pages and note of publications, from a statement that
// names them as below.
const QString kPublicationColumns = QStringLiteral(
    "PublicationType.publicationType, Publication.theme, Publication.PublicationDate, Publication.Pages, "
    "Publication.Primech FROM Publication LEFT JOIN PublicationType ON PublicationType.id_publicationType = "
    "Publication.id_publicationType ");

// Where those columns are in a result.
struct PublicationColumns {
    explicit PublicationColumns(const Rows& rows)
        : type(rows.column(QStringLiteral("publicationType")))
        , title(rows.column(QStringLiteral("theme")))
        , date(rows.column(QStringLiteral("PublicationDate")))
        , pages(rows.column(QStringLiteral("Pages")))
        , note(rows.column(QStringLiteral("Primech")))
    {
    }
    Publication at(const Rows& rows, int row) const
    {
        return {rows.text(row, type), rows.text(row, title), rows.date(row, date), rows.number(row, pages),
                rows.text(row, note)};
    }
    int type, title, date, pages, note;
};

QVector<ScientificRecord> readScientific(db::Connection& connection, const QString& teacher)
{
    const Rows rows(connection.query(QStringLiteral(
        "SELECT uch_step.k5, uch_zvanie.k6, ScientificActivity.theme, Spec_Code.spec_code, "
        "ScientificActivity.yearProtection FROM ScientificActivity "
        "LEFT JOIN uch_step ON uch_step.id_uch_stepen = ScientificActivity.id_uch_step "
        "LEFT JOIN uch_zvanie ON uch_zvanie.id_uch_zvanie = ScientificActivity.id_uch_zvanie "
        "LEFT JOIN Spec_Code ON Spec_Code.id_spec_code = ScientificActivity.id_spec_code "
        "WHERE ScientificActivity.id_t_fio = %1 ORDER BY ScientificActivity.id_ScientificActivity")
                                              .arg(teacher)));
    QVector<ScientificRecord> records;
    for (int r = 0; r < rows.count(); ++r)
        records.append({rows.text(r, 0), rows.text(r, 1), rows.text(r, 2), rows.text(r, 3), rows.number(r, 4)});
    return records;
}

QVector<LanguageSkill> readLanguages(db::Connection& connection, const QString& teacher)
{
    const Rows rows(connection.query(QStringLiteral(
        "SELECT languages.lang, Level.l_level, Language_options.id_level_read, Language_options.id_level_speak, "
        "Language_options.id_level_write FROM Language_options "
        "LEFT JOIN languages ON languages.id_lang = Language_options.id_lang "
        "LEFT JOIN Level ON Level.id_Level = Language_options.id_level "
        "WHERE Language_options.id_teacher = %1 ORDER BY Language_options.id_lang_options")
                                              .arg(teacher)));
    QVector<LanguageSkill> skills;
    for (int r = 0; r < rows.count(); ++r)
        skills.append({rows.text(r, 0), rows.text(r, 1), rows.number(r, 2), rows.number(r, 3), rows.number(r, 4)});
    return skills;
}

QVector<Publication> readPublications(db::Connection& connection, const QString& teacher)
{
    const Rows rows(connection.query(QStringLiteral("SELECT ") + kPublicationColumns
                                     + QStringLiteral("WHERE Publication.id_teacher = %1 ORDER BY "
                                                      "Publication.PublicationDate")
                                           .arg(teacher)));
    const PublicationColumns columns(rows);
    QVector<Publication> publications;
    for (int r = 0; r < rows.count(); ++r)
        publications.append(columns.at(rows, r));
    return publications;
}

// In the server's order, as the memberships grid shows them.
QVector<Membership> readMemberships(db::Connection& connection, const QString& teacher)
{
    const Rows rows(connection.query(
        QStringLiteral("SELECT Organization.short_name, Organization.full_name FROM organization_member "
                       "LEFT JOIN Organization ON Organization.id_organization = organization_member.id_organization "
                       "WHERE organization_member.id_teacher = %1")
            .arg(teacher)));
    QVector<Membership> memberships;
    for (int r = 0; r < rows.count(); ++r)
        memberships.append({rows.text(r, 0), rows.text(r, 1)});
    return memberships;
}

} // namespace

QVector<TypeTotal> DepartmentPublications::totalsByType() const
{
    QVector<TypeTotal> totals;
    QHash<QString, int> indexes;
    for (const TeacherPublications& teacher : teachers)
        for (const Publication& publication : teacher.publications) {
            auto found = indexes.constFind(publication.type);
            if (found == indexes.constEnd()) {
                found = indexes.insert(publication.type, int(totals.size()));
                totals.append({publication.type, 0, 0});
            }
            TypeTotal& total = totals[*found];
            ++total.count;
            total.pages += publication.pages.value_or(0);
        }
    std::sort(totals.begin(), totals.end(),
              [](const TypeTotal& a, const TypeTotal& b) { return db::compareText(a.type, b.type) < 0; });
    return totals;
}

TypeTotal DepartmentPublications::total() const
{
    TypeTotal all;
    for (const TypeTotal& type : totalsByType()) {
        all.count += type.count;
        all.pages += type.pages;
    }
    return all;
}

QVector<Teacher> readDepartmentTeachers(db::Connection& connection, const AcademicYear& year,
                                        const Department& department)
{
    const Rows rows(connection.query(teacherListStatement(year.key, department.key)));
    const int key = rows.column(QStringLiteral("id_teacher"));
    const int name = rows.column(QStringLiteral("t_fio"));
    QVector<Teacher> teachers;
    for (int r = 0; r < rows.count(); ++r)
        teachers.append({rows.number(r, key).value_or(0), rows.text(r, name)});
    return teachers;
}

TeacherProfile readTeacherProfile(db::Connection& connection, const Teacher& teacher, const Department& department,
                                  const AcademicYear& year, const QDate& made)
{
    TeacherProfile profile{teacher, department, year, made, {}, {}, {}, {}, {}, {}, {}};
    const QString key = keyOf(teacher.key);
    profile.scientific = readScientific(connection, key);
    profile.languages = readLanguages(connection, key);
    profile.publications = readPublications(connection, key);
    profile.memberships = readMemberships(connection, key);
    // The memos show the first of the teacher's rows.
    const Rows skills(connection.query(
        QStringLiteral("SELECT personal_skills, computer_skills, other_info FROM teacher_skills WHERE id_teacher = %1")
            .arg(key)));
    if (skills.count() > 0) {
        profile.personalSkills = skills.text(0, 0);
        profile.computerSkills = skills.text(0, 1);
        profile.otherInfo = skills.text(0, 2);
    }
    return profile;
}

DepartmentPublications readDepartmentPublications(db::Connection& connection, const Department& department,
                                                  const AcademicYear& year, const QDate& made)
{
    DepartmentPublications result{department, year, made, {}};
    QHash<int, int> teacherIndexes;
    QStringList keys;
    for (const Teacher& teacher : readDepartmentTeachers(connection, year, department)) {
        teacherIndexes.insert(teacher.key, int(result.teachers.size()));
        result.teachers.append({teacher, {}});
        keys << keyOf(teacher.key);
    }
    if (keys.isEmpty())
        return result;
    // The dates are compared here rather than in the statement: a date
    // literal reads differently under the connection's date format.
    const Rows rows(connection.query(QStringLiteral("SELECT Publication.id_teacher, ") + kPublicationColumns
                                     + QStringLiteral("WHERE Publication.id_teacher IN (%1) ORDER BY "
                                                      "Publication.PublicationDate")
                                           .arg(keys.join(u','))));
    const PublicationColumns columns(rows);
    const int teacherColumn = rows.column(QStringLiteral("id_teacher"));
    for (int r = 0; r < rows.count(); ++r) {
        if (!year.contains(rows.date(r, columns.date)))
            continue;
        const auto index = teacherIndexes.constFind(rows.number(r, teacherColumn).value_or(0));
        if (index != teacherIndexes.constEnd())
            result.teachers[*index].publications.append(columns.at(rows, r));
    }
    return result;
}

} // namespace reports
