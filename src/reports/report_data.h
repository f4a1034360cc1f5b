#pragma once
// What the documents hold, read from the database with plain statements on
// the user's connection: a teacher's profile, a teacher's list of works over
// calendar years, and a department's publications of an academic or calendar
// year. Plain values, no widgets and no layout.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace db {
class Connection;
}

namespace reports {

struct AcademicYear {
    int key = 0;
    QString caption; // "2023/2024", as the year picker shows it
    int firstYear = 0; // the calendar year it begins in
    // From 1 September of the first year to 31 August of the next.
    QDate firstDay() const { return QDate(firstYear, 9, 1); }
    QDate lastDay() const { return QDate(firstYear + 1, 8, 31); }
    bool contains(const QDate& date) const { return date >= firstDay() && date <= lastDay(); }
};

// The dates a document lists, both days included; without days, all dates.
struct ReportPeriod {
    QDate firstDay;
    QDate lastDay;
    QString caption; // "2023/2024 учебный год", "2024 год", "2020–2024 годы", "за все годы"

    bool contains(const QDate& date) const
    {
        return !firstDay.isValid() || (date.isValid() && date >= firstDay && date <= lastDay);
    }
    static ReportPeriod academicYear(const AcademicYear& year);
    static ReportPeriod calendarYears(int first, int last);
    static ReportPeriod allDates();
};

struct Department {
    int key = 0;
    QString name;
};

struct Teacher {
    int key = 0;
    QString name;
};

// Texts of dictionary entries are whole (a grid may cut them); an entry that
// is not there reads as empty.
struct ScientificRecord {
    QString degree;
    QString title;
    QString theme;
    QString specialityCode;
    std::optional<int> yearOfDefence;
};

struct LanguageSkill {
    QString language;
    QString level;
    std::optional<int> reading;
    std::optional<int> speaking;
    std::optional<int> writing;
};

struct Publication {
    QString type;
    QString title;
    QDate date;
    std::optional<int> pages;
    QString note;
};

struct Membership {
    QString shortName;
    QString fullName;
};

struct TeacherProfile {
    Teacher teacher;
    Department department;
    AcademicYear year;
    QDate made;
    QVector<ScientificRecord> scientific;
    QVector<LanguageSkill> languages;
    QVector<Publication> publications; // oldest first
    QVector<Membership> memberships;
    QString personalSkills;
    QString computerSkills;
    QString otherInfo;
};

struct TeacherPublications {
    Teacher teacher;
    QVector<Publication> publications; // within the period, oldest first, then the undated
};

struct TypeTotal {
    QString type;
    int count = 0;
    qint64 pages = 0;
};

// One work is the entries of the same title (compared as the server compares
// texts) and the same day, whoever entered them; undated entries of one title
// are one work too.
bool sameWork(const Publication& a, const Publication& b);

struct DepartmentPublications {
    Department department;
    AcademicYear year; // whose teachers are listed
    ReportPeriod period; // whose publications are listed (the undated too)
    QDate made;
    QVector<TeacherPublications> teachers; // as the teacher picker lists them

    // Each work counted once, with its pages once, however many of the
    // department's teachers entered it.
    struct Summary {
        QVector<TypeTotal> byType; // in the types' name order
        TypeTotal all;
        int joint = 0; // works entered by two or more of the teachers
        int undated = 0;
    };
    Summary summary() const;
    QVector<TypeTotal> totalsByType() const { return summary().byType; }
    TypeTotal total() const { return summary().all; }
};

// The three sections of the list of works. Which one a publication type
// belongs to is decided by its name alone, so that a type a department adds
// lands somewhere sensible: "учеб…" is а), "патент…" and "свидетельств…" are
// в), every other type б).
enum class WorkSection { Educational, Scientific, Patents };
WorkSection sectionOf(const QString& type);
// "электронная" when the note names an address (http, www, URL, DOI or
// "электрон…", in any letter case), "печатная" otherwise.
QString workForm(const QString& note);
// "Иванов Сергей Петрович" as "Иванов С. П." (no-break spaces inside).
QString shortName(const QString& fullName);

struct Work {
    Publication publication;
    QStringList coauthors; // the other teachers who entered it, as shortName(), in name order
};

struct TeacherWorks {
    Teacher teacher;
    Department department;
    QString degree; // of the teacher's first scientific record
    QString academicTitle;
    ReportPeriod period;
    QDate made;
    QVector<Work> works; // within the period, oldest first, then the undated
};

// The teachers of a department in a year: the teacher picker's list.
QVector<Teacher> readDepartmentTeachers(db::Connection& connection, const AcademicYear& year,
                                        const Department& department);

TeacherProfile readTeacherProfile(db::Connection& connection, const Teacher& teacher, const Department& department,
                                  const AcademicYear& year, const QDate& made);

// Of the academic year unless another period is given.
DepartmentPublications readDepartmentPublications(db::Connection& connection, const Department& department,
                                                  const AcademicYear& year, const QDate& made,
                                                  const std::optional<ReportPeriod>& period = std::nullopt);

TeacherWorks readTeacherWorks(db::Connection& connection, const Teacher& teacher, const Department& department,
                              const ReportPeriod& period, const QDate& made);

} // namespace reports
