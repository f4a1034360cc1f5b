#pragma once
// The year and department a document is made for, taken from the lists the
// main window's pickers offer after the session loading: by key (the main
// window) or by the text the picker shows (the report tool). A year or a
// department that is not in those lists (a year of 2010 or before, another
// user's department) is not found.
#include "reports/report_data.h"

#include <QStringList>
#include <QVariant>

#include <optional>

class TDM_MB;

namespace reports {

std::optional<AcademicYear> findYear(const TDM_MB& dataModule, const QVariant& key);
std::optional<AcademicYear> findYear(const TDM_MB& dataModule, const QString& caption);
std::optional<Department> findDepartment(const TDM_MB& dataModule, const QVariant& key);
std::optional<Department> findDepartment(const TDM_MB& dataModule, const QString& name);
// In the teacher picker's list as it stands.
std::optional<Teacher> findTeacher(const TDM_MB& dataModule, const QVariant& key);

// What the pickers offer, for a message that names the choices.
QStringList yearCaptions(const TDM_MB& dataModule);
QStringList departmentNames(const TDM_MB& dataModule);

// A name as a picker matches it: the server's comparison (letter case aside),
// outer blanks ignored.
bool sameName(const QString& a, const QString& b);

} // namespace reports
