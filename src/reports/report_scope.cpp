#include "reports/report_scope.h"

#include "data/data_module.h"
#include "db/text_order.h"

#include <functional>

namespace reports {
namespace {

// The row of an open list whose `column` matches; -1 for none.
int rowWhere(const db::Dataset& list, const QString& column, const std::function<bool(const QVariant&)>& matches)
{
    const int index = list.columnIndex(column);
    if (!list.isOpen() || index < 0)
        return -1;
    for (int row = 0; row < list.recordCount(); ++row)
        if (matches(list.storedValue(row, index)))
            return row;
    return -1;
}

QStringList texts(const db::Dataset& list, const QString& column)
{
    QStringList all;
    const int index = list.columnIndex(column);
    if (list.isOpen() && index >= 0)
        for (int row = 0; row < list.recordCount(); ++row)
            all << list.storedValue(row, index).toString().trimmed();
    return all;
}

std::optional<AcademicYear> yearAt(const db::Dataset& years, int row)
{
    if (row < 0)
        return std::nullopt;
    return AcademicYear{years.storedValue(row, years.columnIndex(QStringLiteral("id_a_year"))).toInt(),
                        years.storedValue(row, years.columnIndex(QStringLiteral("p32"))).toString().trimmed(),
                        years.storedValue(row, years.columnIndex(QStringLiteral("u_god"))).toInt()};
}

std::optional<Department> departmentAt(const db::Dataset& departments, int row)
{
    if (row < 0)
        return std::nullopt;
    return Department{departments.storedValue(row, departments.columnIndex(QStringLiteral("id_kafedra"))).toInt(),
                      departments.storedValue(row, departments.columnIndex(QStringLiteral("f1"))).toString().trimmed()};
}

bool sameKey(const QVariant& value, const QVariant& key)
{
    return !key.isNull() && !value.isNull() && value.toLongLong() == key.toLongLong();
}

} // namespace

bool sameName(const QString& a, const QString& b)
{
    return db::compareText(a.trimmed(), b.trimmed()) == 0;
}

std::optional<AcademicYear> findYear(const TDM_MB& dm, const QVariant& key)
{
    const db::Dataset& years = *dm.ADOQ_year;
    return yearAt(years, rowWhere(years, QStringLiteral("id_a_year"), [&](const QVariant& v) { return sameKey(v, key); }));
}

std::optional<AcademicYear> findYear(const TDM_MB& dm, const QString& caption)
{
    const db::Dataset& years = *dm.ADOQ_year;
    return yearAt(years, rowWhere(years, QStringLiteral("p32"),
                                  [&](const QVariant& v) { return sameName(v.toString(), caption); }));
}

std::optional<Department> findDepartment(const TDM_MB& dm, const QVariant& key)
{
    const db::Dataset& departments = *dm.ADOQ_Kafedra;
    return departmentAt(departments, rowWhere(departments, QStringLiteral("id_kafedra"),
                                              [&](const QVariant& v) { return sameKey(v, key); }));
}

std::optional<Department> findDepartment(const TDM_MB& dm, const QString& name)
{
    const db::Dataset& departments = *dm.ADOQ_Kafedra;
    return departmentAt(departments, rowWhere(departments, QStringLiteral("f1"),
                                              [&](const QVariant& v) { return sameName(v.toString(), name); }));
}

std::optional<Teacher> findTeacher(const TDM_MB& dm, const QVariant& key)
{
    const db::Dataset& teachers = *dm.ADOQ_FIO;
    const int row = rowWhere(teachers, QStringLiteral("id_teacher"), [&](const QVariant& v) { return sameKey(v, key); });
    if (row < 0)
        return std::nullopt;
    return Teacher{teachers.storedValue(row, teachers.columnIndex(QStringLiteral("id_teacher"))).toInt(),
                   teachers.storedValue(row, teachers.columnIndex(QStringLiteral("t_fio"))).toString().trimmed()};
}

QStringList yearCaptions(const TDM_MB& dm)
{
    return texts(*dm.ADOQ_year, QStringLiteral("p32"));
}

QStringList departmentNames(const TDM_MB& dm)
{
    return texts(*dm.ADOQ_Kafedra, QStringLiteral("f1"));
}

} // namespace reports
