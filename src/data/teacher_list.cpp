#include "data/teacher_list.h"

#include "db/sql_text.h"

namespace {

const QString kTeacherListHead = QStringLiteral(
    " SELECT T_t_fio_RRNK.id_a_year, T_t_fio_RRNK.id_kafedra, T_t_fio_RRNK.id_teacher, dbo.t_fio.t_fio FROM  "
    "(SELECT     TOP (100) PERCENT dbo.educ_sh.id_a_year, dbo.educ_sh.id_kafedra, dbo.RRNK.id_teacher FROM          "
    "dbo.educ_sh INNER JOIN dbo.RRNK ON dbo.educ_sh.id_educ_sh = dbo.RRNK.id_educ_sh GROUP BY dbo.educ_sh.id_kafedra, "
    "dbo.RRNK.id_teacher, dbo.educ_sh.id_a_year UNION ALL SELECT     TOP (100) PERCENT id_a_year, id_kafedra, "
    "id_teacher FROM         dbo.RRNKkrdt GROUP BY id_a_year, id_kafedra, id_teacher) AS T_t_fio_RRNK INNER JOIN "
    "dbo.t_fio ON T_t_fio_RRNK.id_teacher = dbo.t_fio.id_teacher GROUP BY T_t_fio_RRNK.id_a_year, "
    "T_t_fio_RRNK.id_kafedra, T_t_fio_RRNK.id_teacher, dbo.t_fio.t_fio HAVING      (T_t_fio_RRNK.id_a_year = ");

} // namespace

QString teacherListStatement(const QVariant& yearKey, const QVariant& departmentKey)
{
    return kTeacherListHead + db::sqlKeyText(yearKey) + QStringLiteral(")")
        + QStringLiteral(" AND (T_t_fio_RRNK.id_kafedra = ") + db::sqlKeyText(departmentKey) + QStringLiteral(")")
        + QStringLiteral(" ORDER BY dbo.t_fio.t_fio");
}
