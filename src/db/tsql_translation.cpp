#include "db/tsql_translation.h"

#include "db/errors.h"

#include <QRegularExpression>

namespace db::tsql {
namespace {

using Re = QRegularExpression;
constexpr auto kCaseless = Re::CaseInsensitiveOption;

QString removePrefixes(QString sql)
{
    if (!sql.contains(QLatin1String("dbo"), Qt::CaseInsensitive))
        return sql;
    static const Re database(QStringLiteral(R"((\[QEL\]|\bQEL)\s*\.\s*(\[dbo\]|dbo)\s*\.\s*)"), kCaseless);
    static const Re schema(QStringLiteral(R"((?<![\w\].])(\[dbo\]|dbo)\s*\.\s*)"), kCaseless);
    sql.replace(database, QString());
    sql.replace(schema, QString());
    return sql;
}

QString removeTopPercent(QString sql)
{
    if (!sql.contains(QLatin1String("PERCENT"), Qt::CaseInsensitive))
        return sql;
    static const Re topPercent(QStringLiteral(R"(\bTOP\s*\(\s*100\s*\)\s*PERCENT\b)"), kCaseless);
    return sql.replace(topPercent, QString());
}

QString topToLimit(QString sql)
{
    if (!sql.contains(QLatin1String("TOP"), Qt::CaseInsensitive))
        return sql;
    static const Re top(QStringLiteral(R"(^(\s*SELECT\s+)TOP\s*\(?\s*(\d+)\s*\)?\s*)"), kCaseless);
    const auto match = top.match(sql);
    if (!match.hasMatch())
        return sql;
    const QString limit = match.captured(2);
    sql.replace(match.capturedStart(), match.capturedLength(), match.captured(1));
    return sql.trimmed() + QStringLiteral(" LIMIT ") + limit;
}

// Reads one argument at `at`; advances past it.
QVariant readArgument(const QString& text, qsizetype& at)
{
    if (text.at(at) == u'\'') {
        QString value;
        for (++at; at < text.size(); ++at) {
            if (text.at(at) == u'\'') {
                if (at + 1 < text.size() && text.at(at + 1) == u'\'') {
                    value += u'\'';
                    ++at;
                    continue;
                }
                ++at;
                return value;
            }
            value += text.at(at);
        }
        throw DatabaseError(QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(value));
    }
    const qsizetype start = at;
    while (at < text.size() && text.at(at) != u',' && !text.at(at).isSpace())
        ++at;
    const QString word = text.mid(start, at - start);
    if (word.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return QVariant();
    bool isNumber = false;
    const qlonglong number = word.toLongLong(&isNumber);
    if (!isNumber)
        throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(word));
    return number;
}

void skipSpaces(const QString& text, qsizetype& at)
{
    while (at < text.size() && text.at(at).isSpace())
        ++at;
}

} // namespace

QString toSqlite(const QString& statement)
{
    return topToLimit(removeTopPercent(removePrefixes(statement)));
}

std::optional<ProcedureCall> parseProcedureCall(const QString& statement)
{
    static const Re exec(QStringLiteral(R"(^\s*EXEC(?:UTE)?\s+([\w\[\]\.]+)\s*)"), kCaseless);
    const auto match = exec.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    ProcedureCall call;
    call.name = removePrefixes(match.captured(1)).remove(u'[').remove(u']');
    qsizetype at = match.capturedEnd();
    const QString& text = statement;
    skipSpaces(text, at);
    while (at < text.size()) {
        call.arguments << readArgument(text, at);
        skipSpaces(text, at);
        if (at < text.size()) {
            if (text.at(at) != u',')
                throw DatabaseError(QStringLiteral("Incorrect syntax near '%1'.").arg(text.mid(at, 10)));
            ++at;
            skipSpaces(text, at);
        }
    }
    return call;
}

std::optional<QString> parseDateFormat(const QString& statement)
{
    static const Re set(QStringLiteral(R"(^\s*SET\s+DATEFORMAT\s+(\w{3})\s*;?\s*$)"), kCaseless);
    const auto match = set.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLower();
}

} // namespace db::tsql
