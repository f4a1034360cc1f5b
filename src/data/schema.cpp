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
        {.name = "ScientificActivity", .edited = true, .serverAssignsKeys = true,
         .columns = {key("id_ScientificActivity", AutoIncrement), {"id_t_fio", Integer}, reference("id_uch_step", "uch_step"),
          reference("id_uch_zvanie", "uch_zvanie"), reference("id_spec_code", "Spec_Code"), {"theme", WideString, 200},
          {"val1", WideString, 300}, {"val2", WideString, 300}, {"val3", WideString, 300},
          {"yearProtection", SmallInt}}},
        {.name = "Language_options", .edited = true, .serverAssignsKeys = true,
         .columns = {{"QEL_User", String, 20}, {"QEL_Update", Date}, key("id_lang_options", AutoIncrement),
          reference("id_lang", "languages"), {"id_level", Integer}, {"id_teacher", Integer}, level("id_level_read"),
          level("id_level_speak"), level("id_level_write")}},
        {.name = "Publication", .edited = true, .serverAssignsKeys = true,
         .columns = {reference("id_publicationType", "PublicationType"), {"theme", String, 200}, {"id_teacher", Integer},
          {"Pages", Integer}, {"PublicationDate", DateTime}, {"Primech", String, 200}}},
        {.name = "teacher_skills", .edited = true, .serverAssignsKeys = true,
         .columns = {{"personal_skills", String, 500}, {"computer_skills", String, 500}, {"other_info", String, 500},
          {"id_teacher", Integer}}},
        {.name = "organization_member", .edited = true, .serverAssignsKeys = true, .columns = {{"id_organization", Integer}, {"id_teacher", Integer}}},
        // The dictionaries; the login column holds who last posted the row.
        {.name = "uch_step", .edited = true, .serverAssignsKeys = true, .columns = {{"k5", String, 20}, {"QEL_user", String, 20}, key("id_uch_stepen", Integer)}},
        {.name = "uch_zvanie", .edited = true, .serverAssignsKeys = true, .columns = {key("id_uch_zvanie", Integer), {"k6", String, 20}, {"QEL_user", String, 20}}},
        {.name = "Spec_Code", .edited = true, .serverAssignsKeys = true, .columns = {key("id_spec_code"), {"spec_code"}}},
        {.name = "languages", .edited = true, .serverAssignsKeys = true, .columns = {key("id_lang", Integer), {"lang", String, 20}, {"QEL_user", String, 20}}},
        {.name = "PublicationType", .edited = true, .serverAssignsKeys = true, .columns = {key("id_publicationType", Integer), {"publicationType", String, 20}}},
        // The reference tables, only read.
        {.name = "t_fio", .serverAssignsKeys = true, .columns = {key("id_teacher", AutoIncrement), {"t_fio", String, 152}}},
        {.name = "Working", .columns = {{"id_teacher"}}},
        {.name = "a_year", .columns = {key("id_a_year", Integer), {"p32", String, 20}, {"u_god"}}},
        {.name = "kafedra", .columns = {key("id_kafedra", Integer), {"f1", String, 200}}},
        {.name = "User_Kafedra", .columns = {{"id_login"}, {"id_kafedra"}}},
        // id_QEL_user is written into a statement without quotes, so it must be an integer.
        {.name = "QEL_User", .columns = {key("id_QEL_user", Integer), {"QEL_login"}}},
        {.name = "educ_sh", .columns = {key("id_educ_sh"), {"id_a_year"}, {"id_kafedra"}}},
        {.name = "RRNK", .columns = {{"id_educ_sh"}, {"id_teacher"}}},
        {.name = "RRNKkrdt", .columns = {{"id_a_year"}, {"id_kafedra"}, {"id_teacher"}}},
        {.name = "Organization",
         .columns = {key("id_organization", Integer), {"short_name", String, 20}, {"full_name", String, 400}}},
        {.name = "Level", .columns = {key("id_Level"), {"l_level"}}},
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
