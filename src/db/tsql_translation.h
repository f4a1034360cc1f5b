#pragma once
// The embedded server speaks SQLite. The few T-SQL forms that the program's
// statements use are translated here, and only here; and what a dataset reads
// from a statement on any server, the table it selects from, is found here too.
#include <QString>
#include <QVariantList>

#include <optional>

namespace db::tsql {

// The collation the embedded server registers as the shared server's: Cyrillic,
// case-insensitive, accent-sensitive.
inline constexpr char kServerCollation[] = "Cyrillic_General_CI_AS";

// A statement in SQLite's dialect: without the prefixes of the connection's
// database `catalog` and of the schema ("[QEL].[dbo].", "dbo." where the
// catalog is "QEL"), without "TOP (100) PERCENT", with a leading "TOP (n)"
// turned into a trailing "LIMIT n", and with text literals and ORDER BY terms
// in the server's collation. Text inside literals, quoted names and comments
// is never translated; another database's name is left as it is (SQLite then
// knows no such database, as a server would not).
QString toSqlite(const QString& statement, const QString& catalog);

// "EXEC NAME arg, arg ..." with text, number and NULL arguments.
struct ProcedureCall {
    QString name;
    QVariantList arguments;
};
// nullopt when the statement is not an EXEC; throws DatabaseError when its
// arguments cannot be read. The name loses the prefixes toSqlite() removes.
std::optional<ProcedureCall> parseProcedureCall(const QString& statement, const QString& catalog);

// "SET DATEFORMAT xyz": the format in lower case.
std::optional<QString> parseDateFormat(const QString& statement);

// Where the key begins that a statement ends in after "=" ("... WHERE id = 7"
// gives the position of "7"), or -1. Statements alike up to there read the
// same table for another key.
qsizetype trailingKeyAt(QStringView statement);

// A SELECT ending in a key, as the statements that read a record's rows are
// sent: the same statement with the parameter '?' for the key, and the key.
struct KeyedSelect {
    QString withParameter;
    qlonglong key = 0;
};
std::optional<KeyedSelect> keyedSelect(const QString& statement);

// The one table a SELECT reads from, without database, schema and brackets
// ("[QEL].[dbo].[items]" is "items"); empty when it joins, unites, groups,
// nests or lists several tables (such rows cannot be written back).
QString baseTable(const QString& statement);

} // namespace db::tsql
