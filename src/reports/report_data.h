#pragma once
// What the two documents hold, read from the database with plain statements
// on the user's connection: a teacher's profile, and a department's
// publications of an academic year. Plain values, no widgets and no layout.
#include <QDate>
#include <QString>
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
    QVector<Publication> publications; // within the year, oldest first
};

struct TypeTotal {
    QString type;
    int count = 0;
    qint64 pages = 0;
};

struct DepartmentPublications {
    Department department;
    AcademicYear year;
    QDate made;
    QVector<TeacherPublications> teachers; // as the teacher picker lists them

    // Per publication type, in the types' name order; then all together.
    QVector<TypeTotal> totalsByType() const;
    TypeTotal total() const;
};

// The teachers of a department in a year: the teacher picker's list.
QVector<Teacher> readDepartmentTeachers(db::Connection& connection, const AcademicYear& year,
                                        const Department& department);

TeacherProfile readTeacherProfile(db::Connection& connection, const Teacher& teacher, const Department& department,
                                  const AcademicYear& year, const QDate& made);

DepartmentPublications readDepartmentPublications(db::Connection& connection, const Department& department,
                                                  const AcademicYear& year, const QDate& made);

} // namespace reports
