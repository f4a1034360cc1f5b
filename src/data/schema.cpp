#include "data/schema.h"

#include <stdexcept>
#include <string>

namespace schema {
namespace {

Column key(const char* name, std::optional<db::FieldType> type = std::nullopt)
{
    return {.name = name, .type = type, .key = true};
}

// An integer holding the key of an entry of `dictionary`.
Column reference(const char* name, const char* dictionary)
{
    return {.name = name, .type = db::FieldType::Integer, .references = dictionary};
}

// A language competence, from 1 (basic knowledge) to 5 (excellent).
Column level(const char* name)
{
    return {.name = name, .type = db::FieldType::Integer, .minimum = 1, .maximum = 5};
}

} // namespace

const std::vector<Table>& tables()
{
    using enum db::FieldType;
    static const std::vector<Table> all = {
        // The teacher-profile tables; the teacher key is id_t_fio in the first, id_teacher in the others.
        {"ScientificActivity", true, true,
         {key("id_ScientificActivity", AutoIncrement), {"id_t_fio", Integer}, reference("id_uch_step", "uch_step"),
          reference("id_uch_zvanie", "uch_zvanie"), reference("id_spec_code", "Spec_Code"), {"theme", WideString, 200},
          {"val1", WideString, 300}, {"val2", WideString, 300}, {"val3", WideString, 300},
          {"yearProtection", SmallInt}}},
        {"Language_options", true, true,
         {{"QEL_User", String, 20}, {"QEL_Update", Date}, key("id_lang_options", AutoIncrement),
          reference("id_lang", "languages"), {"id_level", Integer}, {"id_teacher", Integer}, level("id_level_read"),
          level("id_level_speak"), level("id_level_write")}},
        {"Publication", true, true,
         {reference("id_publicationType", "PublicationType"), {"theme", String, 200}, {"id_teacher", Integer},
          {"Pages", Integer}, {"PublicationDate", DateTime}, {"Primech", String, 200}}},
        {"teacher_skills", true, true,
         {{"personal_skills", String, 500}, {"computer_skills", String, 500}, {"other_info", String, 500},
          {"id_teacher", Integer}}},
        {"organization_member", true, true, {{"id_organization", Integer}, {"id_teacher", Integer}}},
        // The dictionaries; the login column holds who last posted the row.
        {"uch_step", true, true, {{"k5", String, 20}, {"QEL_user", String, 20}, key("id_uch_stepen", Integer)}},
        {"uch_zvanie", true, true, {key("id_uch_zvanie", Integer), {"k6", String, 20}, {"QEL_user", String, 20}}},
        {"Spec_Code", true, true, {key("id_spec_code"), {"spec_code"}}},
        {"languages", true, true, {key("id_lang", Integer), {"lang", String, 20}, {"QEL_user", String, 20}}},
        {"PublicationType", true, true, {key("id_publicationType", Integer), {"publicationType", String, 20}}},
        // The reference tables, only read.
        {"t_fio", false, true, {key("id_teacher", AutoIncrement), {"t_fio", String, 152}}},
        {"Working", false, false, {{"id_teacher"}}},
        {"a_year", false, false, {key("id_a_year", Integer), {"p32", String, 20}, {"u_god"}}},
        {"kafedra", false, false, {key("id_kafedra", Integer), {"f1", String, 200}}},
        {"User_Kafedra", false, false, {{"id_login"}, {"id_kafedra"}}},
        // id_QEL_user is written into a statement without quotes, so it must be an integer.
        {"QEL_User", false, false, {key("id_QEL_user", Integer), {"QEL_login"}}},
        {"educ_sh", false, false, {key("id_educ_sh"), {"id_a_year"}, {"id_kafedra"}}},
        {"RRNK", false, false, {{"id_educ_sh"}, {"id_teacher"}}},
        {"RRNKkrdt", false, false, {{"id_a_year"}, {"id_kafedra"}, {"id_teacher"}}},
        {"Organization", false, false,
         {key("id_organization", Integer), {"short_name", String, 20}, {"full_name", String, 400}}},
        {"Level", false, false, {key("id_Level"), {"l_level"}}},
    };
    return all;
}

const Table& table(std::string_view name)
{
    for (const Table& candidate : tables())
        if (name == candidate.name)
            return candidate;
    throw std::invalid_argument("The schema has no table " + std::string(name));
}

const Column* keyOf(const Table& table)
{
    for (const Column& column : table.columns)
        if (column.key)
            return &column;
    return nullptr;
}

} // namespace schema
