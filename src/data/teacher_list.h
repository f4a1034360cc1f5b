#pragma once
// The teacher list of a year and a department: the statement of the main
// window's teacher picker, also read by the reports.
#include <QString>
#include <QVariant>

// One row per teacher with teaching load in that department in that year
// (through RRNK joined to educ_sh, or through RRNKkrdt): id_a_year,
// id_kafedra, id_teacher, t_fio, by full name.
QString teacherListStatement(const QVariant& yearKey, const QVariant& departmentKey);
