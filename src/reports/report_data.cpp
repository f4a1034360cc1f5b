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

// The statements list the undated first; documents list them last.
void undatedLast(QVector<Publication>& publications)
{
    std::stable_partition(publications.begin(), publications.end(),
                          [](const Publication& publication) { return publication.date.isValid(); });
}

} // namespace

ReportPeriod ReportPeriod::academicYear(const AcademicYear& year)
{
    return {year.firstDay(), year.lastDay(), QStringLiteral("%1 учебный год").arg(year.caption)};
}

ReportPeriod ReportPeriod::calendarYears(int first, int last)
{
    return {QDate(first, 1, 1), QDate(last, 12, 31),
            first == last ? QStringLiteral("%1 год").arg(first) : QStringLiteral("%1–%2 годы").arg(first).arg(last)};
}

ReportPeriod ReportPeriod::allDates()
{
    return {QDate(), QDate(), QStringLiteral("за все годы")};
}

bool sameWork(const Publication& a, const Publication& b)
{
    return a.date == b.date && db::compareText(a.title, b.title) == 0;
}

namespace {

// Numbers the works of many entries: the entries of a day are few, so each
// is compared with that day's works only.
class WorkNumbers {
public:
    // The work's number; -1 for a work not seen.
    int find(const Publication& publication) const
    {
        const auto day = m_days.constFind(publication.date.toJulianDay());
        if (day != m_days.constEnd())
            for (const auto& [seen, number] : *day)
                if (sameWork(*seen, publication))
                    return number;
        return -1;
    }
    // The work's number, a new one for an entry of a work not seen before.
    int numberOf(const Publication& publication)
    {
        QVector<std::pair<const Publication*, int>>& day = m_days[publication.date.toJulianDay()];
        for (const auto& [seen, number] : day)
            if (sameWork(*seen, publication))
                return number;
        day.append({&publication, m_count});
        return m_count++;
    }
    int count() const { return m_count; }

private:
    QHash<qint64, QVector<std::pair<const Publication*, int>>> m_days;
    int m_count = 0;
};

} // namespace

DepartmentPublications::Summary DepartmentPublications::summary() const
{
    Summary summary;
    WorkNumbers numbers;
    QVector<int> entries; // per work, how many teachers entered it
    QHash<QString, int> indexes;
    for (const TeacherPublications& teacher : teachers) {
        QVector<int> own; // one teacher's entries of a work count once
        for (const Publication& publication : teacher.publications) {
            const int number = numbers.numberOf(publication);
            if (number == entries.size()) {
                entries.append(0);
                auto found = indexes.constFind(publication.type);
                if (found == indexes.constEnd()) {
                    found = indexes.insert(publication.type, int(summary.byType.size()));
                    summary.byType.append({publication.type, 0, 0});
                }
                TypeTotal& total = summary.byType[*found];
                ++total.count;
                total.pages += publication.pages.value_or(0);
                ++summary.all.count;
                summary.all.pages += publication.pages.value_or(0);
                if (!publication.date.isValid())
                    ++summary.undated;
            }
            if (!own.contains(number)) {
                own.append(number);
                if (++entries[number] == 2)
                    ++summary.joint;
            }
        }
    }
    std::sort(summary.byType.begin(), summary.byType.end(),
              [](const TypeTotal& a, const TypeTotal& b) { return db::compareText(a.type, b.type) < 0; });
    return summary;
}

WorkSection sectionOf(const QString& type)
{
    const QString name = type.trimmed().toLower();
    if (name.startsWith(QStringLiteral("учеб")))
        return WorkSection::Educational;
    if (name.startsWith(QStringLiteral("патент")) || name.startsWith(QStringLiteral("свидетельств")))
        return WorkSection::Patents;
    return WorkSection::Scientific;
}

QString workForm(const QString& note)
{
    static const QStringList addresses = {QStringLiteral("http"), QStringLiteral("www"), QStringLiteral("url"),
                                          QStringLiteral("doi"), QStringLiteral("электрон")};
    for (const QString& address : addresses)
        if (note.contains(address, Qt::CaseInsensitive))
            return QStringLiteral("электронная");
    return QStringLiteral("печатная");
}

QString shortName(const QString& fullName)
{
    const QStringList parts = fullName.simplified().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    QString name = parts.first();
    for (int i = 1; i < parts.size(); ++i)
        name += QChar(0x00A0) + parts[i].left(1) + u'.';
    return name;
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
                                                  const AcademicYear& year, const QDate& made,
                                                  const std::optional<ReportPeriod>& period)
{
    DepartmentPublications result{department, year, period.value_or(ReportPeriod::academicYear(year)), made, {}};
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
        const QDate date = rows.date(r, columns.date);
        if (date.isValid() && !result.period.contains(date))
            continue;
        const auto index = teacherIndexes.constFind(rows.number(r, teacherColumn).value_or(0));
        if (index != teacherIndexes.constEnd())
            result.teachers[*index].publications.append(columns.at(rows, r));
    }
    for (TeacherPublications& teacher : result.teachers)
        undatedLast(teacher.publications);
    return result;
}

TeacherWorks readTeacherWorks(db::Connection& connection, const Teacher& teacher, const Department& department,
                              const ReportPeriod& period, const QDate& made)
{
    TeacherWorks result{teacher, department, {}, {}, period, made, {}};
    const QString key = keyOf(teacher.key);
    const QVector<ScientificRecord> scientific = readScientific(connection, key);
    if (!scientific.isEmpty()) {
        result.degree = scientific.first().degree;
        result.academicTitle = scientific.first().title;
    }
    QVector<Publication> own;
    for (const Publication& publication : readPublications(connection, key))
        if (!publication.date.isValid() || period.contains(publication.date))
            own.append(publication);
    undatedLast(own);
    for (const Publication& publication : own)
        result.works.append({publication, {}});
    if (own.isEmpty())
        return result;

    // The other teachers' entries of the same works. Titles are compared
    // here, as the server compares texts: the embedded server compares a
    // column with a column byte by byte.
    const Rows rows(connection.query(
        QStringLiteral("SELECT Publication.theme, Publication.PublicationDate, t_fio.t_fio FROM Publication "
                       "INNER JOIN t_fio ON t_fio.id_teacher = Publication.id_teacher "
                       "WHERE Publication.id_teacher <> %1 ORDER BY t_fio.t_fio")
            .arg(key)));
    WorkNumbers numbers;
    QVector<int> workOfEntry;
    for (const Publication& publication : own)
        workOfEntry.append(numbers.numberOf(publication));
    QVector<QStringList> coauthors(numbers.count());
    for (int r = 0; r < rows.count(); ++r) {
        Publication other;
        other.title = rows.text(r, 0);
        other.date = rows.date(r, 1);
        if (const int number = numbers.find(other); number >= 0) {
            const QString name = shortName(rows.text(r, 2));
            if (!coauthors[number].contains(name))
                coauthors[number].append(name);
        }
    }
    for (int i = 0; i < result.works.size(); ++i)
        result.works[i].coauthors = coauthors[workOfEntry[i]];
    return result;
}

} // namespace reports
