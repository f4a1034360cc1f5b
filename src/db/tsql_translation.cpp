#include "db/tsql_translation.h"

#include "db/errors.h"

#include <QRegularExpression>

namespace db::tsql {
namespace {

using Re = QRegularExpression;
constexpr auto kCaseless = Re::CaseInsensitiveOption;

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Whether the text has the word as a run of ASCII letters of its own, in any
// case. Every pattern below begins at a word boundary with its word, so a
// statement without the word cannot match it: most statements are passed by
// these checks, in one pass without copies, and no pattern is tried.
bool hasWord(QStringView text, QLatin1StringView word)
{
    for (qsizetype at = 0; at < text.size();) {
        if (!isAsciiLetter(text[at])) {
            ++at;
            continue;
        }
        qsizetype end = at + 1;
        while (end < text.size() && isAsciiLetter(text[end]))
            ++end;
        if (end - at == word.size() && text.sliced(at, end - at).compare(word, Qt::CaseInsensitive) == 0)
            return true;
        at = end;
    }
    return false;
}

// The statement's first word (letters only), after leading blanks.
QStringView firstWord(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    qsizetype end = at;
    while (end < text.size() && isAsciiLetter(text[end]))
        ++end;
    return text.sliced(at, end - at);
}

bool isWord(QStringView text, QLatin1StringView word)
{
    return text.compare(word, Qt::CaseInsensitive) == 0;
}

// A statement with a mask beside it: the same text, but with the inside of
// text literals, of quoted names and the whole of comments covered, so that
// the translation's patterns see only the statement's own words. Both change
// together, so positions found in the mask hold in the text.
class MaskedStatement {
public:
    static constexpr QChar kCovered{0xE000}; // inside a literal or a quoted name
    static constexpr QChar kComment{0xE001};

    // The quoted names "[dbo]" and "[<catalog>]" stay visible: they are the
    // prefixes to remove.
    MaskedStatement(const QString& statement, const QString& catalog)
        : m_text(statement)
        , m_mask(statement)
    {
        const qsizetype size = m_text.size();
        for (qsizetype at = 0; at < size;) {
            const QChar c = m_text.at(at);
            const QChar next = at + 1 < size ? m_text.at(at + 1) : QChar();
            if (c == u'\'' || c == u'"' || c == u'[') {
                const QChar close = c == u'[' ? QChar(u']') : c;
                qsizetype end = at + 1;
                while (end < size) {
                    if (m_text.at(end) == close) {
                        if (end + 1 < size && m_text.at(end + 1) == close) { // doubled: part of the text
                            end += 2;
                            continue;
                        }
                        break;
                    }
                    ++end;
                }
                const QString inner = m_text.mid(at + 1, end - at - 1);
                const bool prefixName = c == u'[' && (inner.compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0
                                                      || (!catalog.isEmpty()
                                                          && inner.compare(catalog, Qt::CaseInsensitive) == 0));
                if (!prefixName)
                    cover(at + 1, std::min(end, size), kCovered);
                at = end + 1;
            } else if (c == u'-' && next == u'-') {
                qsizetype end = m_text.indexOf(u'\n', at);
                if (end < 0)
                    end = size;
                cover(at, end, kComment);
                at = end;
            } else if (c == u'/' && next == u'*') {
                qsizetype end = m_text.indexOf(QLatin1String("*/"), at + 2);
                end = end < 0 ? size : end + 2;
                cover(at, end, kComment);
                at = end;
            } else {
                ++at;
            }
        }
    }

    const QString& text() const { return m_text; }
    const QString& mask() const { return m_mask; }
    bool contains(QLatin1StringView word) const { return hasWord(m_mask, word); }

    void replace(qsizetype at, qsizetype length, const QString& with)
    {
        m_text.replace(at, length, with);
        m_mask.replace(at, length, with);
    }
    // Every match of the pattern in the statement's own words, last first, so
    // that a replacement does not move the matches still to come.
    template <typename Replace>
    void replaceAll(const QRegularExpression& pattern, Replace replacement)
    {
        QList<QRegularExpressionMatch> matches;
        for (auto it = pattern.globalMatch(m_mask); it.hasNext();)
            matches.prepend(it.next());
        for (const QRegularExpressionMatch& match : std::as_const(matches))
            replace(match.capturedStart(), match.capturedLength(), replacement(match));
    }
    // Just after the statement's last word: before trailing comments, blanks and ';'.
    qsizetype endOfWords() const
    {
        qsizetype end = m_mask.size();
        while (end > 0) {
            const QChar c = m_mask.at(end - 1);
            if (!(c.isSpace() || c == kComment || c == u';'))
                break;
            --end;
        }
        return end;
    }

private:
    void cover(qsizetype from, qsizetype to, QChar with)
    {
        for (qsizetype i = from; i < to; ++i)
            m_mask[i] = with;
    }

    QString m_text;
    QString m_mask;
};

// "[catalog].[dbo]." or "catalog.dbo.", made once for the catalog last asked for.
const Re& databasePrefix(const QString& catalog)
{
    thread_local QString madeFor;
    thread_local Re pattern;
    if (madeFor != catalog || pattern.pattern().isEmpty()) {
        const QString name = Re::escape(catalog);
        pattern = Re(QStringLiteral(R"((\[%1\]|(?<![\w\].])%1)\s*\.\s*(\[dbo\]|dbo)\s*\.\s*)").arg(name),
                     kCaseless | Re::UseUnicodePropertiesOption);
        madeFor = catalog;
    }
    return pattern;
}

void removePrefixes(MaskedStatement& sql, const QString& catalog)
{
    if (!sql.contains(QLatin1String("dbo")))
        return;
    if (!catalog.isEmpty())
        sql.replaceAll(databasePrefix(catalog), [](const QRegularExpressionMatch&) { return QString(); });
    static const Re schema(QStringLiteral(R"((?<![\w\].])(\[dbo\]|\bdbo)\s*\.\s*)"), kCaseless);
    sql.replaceAll(schema, [](const QRegularExpressionMatch&) { return QString(); });
}

void removeTopPercent(MaskedStatement& sql)
{
    if (!sql.contains(QLatin1String("PERCENT")))
        return;
    static const Re topPercent(QStringLiteral(R"(\bTOP\s*\(\s*100\s*\)\s*PERCENT\b)"), kCaseless);
    sql.replaceAll(topPercent, [](const QRegularExpressionMatch&) { return QString(); });
}

void topToLimit(MaskedStatement& sql)
{
    if (!sql.contains(QLatin1String("TOP")))
        return;
    static const Re top(QStringLiteral(R"(^(\s*SELECT\s+)TOP\s*\(?\s*(\d+)\s*\)?\s*)"), kCaseless);
    const auto match = top.match(sql.mask());
    if (!match.hasMatch())
        return;
    const QString limit = match.captured(2);
    sql.replace(sql.endOfWords(), 0, QStringLiteral(" LIMIT ") + limit);
    sql.replace(match.capturedStart(), match.capturedLength(), match.captured(1));
}

// The terms of the ORDER BY clause whose first term begins at `start`, as
// (first, end) positions: commas at the clause's own depth part them, and the
// clause ends at a word that follows it, a closing bracket, ';' or a comment.
QList<std::pair<qsizetype, qsizetype>> orderByTerms(const QString& mask, qsizetype start)
{
    static const Re clauseEnd(QStringLiteral(R"(\b(LIMIT|OFFSET|UNION|EXCEPT|INTERSECT)\b)"), kCaseless);
    const auto end = clauseEnd.match(mask, start);
    const qsizetype stop = end.hasMatch() ? end.capturedStart() : mask.size();
    QList<std::pair<qsizetype, qsizetype>> terms;
    qsizetype from = start;
    int depth = 0;
    for (qsizetype at = start; at <= stop; ++at) {
        const QChar c = at < stop ? mask.at(at) : QChar(u';');
        if (c == u'(') {
            ++depth;
        } else if (c == u')' && depth > 0) {
            --depth;
        } else if (depth == 0 && (c == u',' || c == u')' || c == u';' || c == MaskedStatement::kComment)) {
            terms.append({from, at});
            if (c != u',')
                break;
            from = at + 1;
        }
    }
    return terms;
}

// Every ORDER BY term sorts texts as the shared server does.
void collateOrderBy(MaskedStatement& sql, const QString& collate)
{
    if (!sql.contains(QLatin1String("ORDER")))
        return;
    static const Re orderBy(QStringLiteral(R"(\bORDER\s+BY\b)"), kCaseless);
    static const Re direction(QStringLiteral(R"(\s+(ASC|DESC)$)"), kCaseless);
    QList<qsizetype> starts;
    for (auto it = orderBy.globalMatch(sql.mask()); it.hasNext();)
        starts.prepend(it.next().capturedEnd());
    for (const qsizetype start : std::as_const(starts)) {
        const auto terms = orderByTerms(sql.mask(), start);
        for (auto term = terms.crbegin(); term != terms.crend(); ++term) { // last first: positions hold
            qsizetype end = term->second;
            while (end > term->first && sql.mask().at(end - 1).isSpace())
                --end;
            const QString text = sql.mask().mid(term->first, end - term->first);
            if (text.trimmed().isEmpty() || text.contains(QLatin1String("COLLATE"), Qt::CaseInsensitive))
                continue;
            const auto dir = direction.match(text);
            sql.replace(dir.hasMatch() ? term->first + dir.capturedStart() : end, 0, collate);
        }
    }
}

// Every text literal compares as on the shared server; a literal after AS
// names a column ("AS 'Name'") and takes no collation.
void collateLiterals(MaskedStatement& sql, const QString& collate)
{
    if (!sql.text().contains(u'\''))
        return;
    static const Re alias(QStringLiteral(R"((^|\W)AS\s*$)"), kCaseless);
    QList<qsizetype> ends;
    const QString& mask = sql.mask();
    // A literal is its quotes with the covered inside (none when it is empty).
    for (qsizetype at = 0; at < mask.size(); ++at) {
        if (mask.at(at) != u'\'')
            continue;
        qsizetype end = at + 1;
        while (end < mask.size() && mask.at(end) == MaskedStatement::kCovered)
            ++end;
        if (end < mask.size() && mask.at(end) == u'\'' && !alias.match(QStringView(mask).left(at)).hasMatch())
            ends.prepend(end + 1);
        at = end;
    }
    for (const qsizetype end : std::as_const(ends))
        sql.replace(end, 0, collate);
}

// Texts compare and sort as on the shared server: every text literal, and
// every term of an ORDER BY, in the server's collation.
void collateTexts(MaskedStatement& sql)
{
    const QString collate = QStringLiteral(" COLLATE ") + QLatin1String(kServerCollation);
    collateOrderBy(sql, collate);
    collateLiterals(sql, collate);
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

QString toSqlite(const QString& statement, const QString& catalog)
{
    // A statement without the words the translations start from, and without
    // a text literal, goes unchanged and unmasked.
    const bool prefixes = hasWord(statement, QLatin1StringView("dbo"));
    const bool top = hasWord(statement, QLatin1StringView("TOP"));
    const bool order = hasWord(statement, QLatin1StringView("ORDER"));
    const bool literals = statement.contains(u'\'');
    if (!prefixes && !top && !order && !literals)
        return statement;
    MaskedStatement sql(statement, catalog);
    if (prefixes)
        removePrefixes(sql, catalog);
    if (top) {
        removeTopPercent(sql);
        topToLimit(sql);
    }
    if (order || literals)
        collateTexts(sql);
    return sql.text();
}

std::optional<ProcedureCall> parseProcedureCall(const QString& statement, const QString& catalog)
{
    const QStringView verb = firstWord(statement);
    if (!isWord(verb, QLatin1StringView("EXEC")) && !isWord(verb, QLatin1StringView("EXECUTE")))
        return std::nullopt;
    static const Re exec(QStringLiteral(R"(^\s*EXEC(?:UTE)?\s+([\w\[\]\.]+)\s*)"), kCaseless);
    const auto match = exec.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    ProcedureCall call;
    MaskedStatement name(match.captured(1), catalog);
    removePrefixes(name, catalog);
    call.name = QString(name.text()).remove(u'[').remove(u']');
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
    if (!isWord(firstWord(statement), QLatin1StringView("SET")))
        return std::nullopt;
    static const Re set(QStringLiteral(R"(^\s*SET\s+DATEFORMAT\s+(\w{3})\s*;?\s*$)"), kCaseless);
    const auto match = set.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLower();
}

qsizetype trailingKeyAt(QStringView statement)
{
    qsizetype at = statement.size();
    while (at > 0 && statement[at - 1] >= u'0' && statement[at - 1] <= u'9')
        --at;
    if (at == statement.size())
        return -1;
    qsizetype before = at;
    while (before > 0 && statement[before - 1].isSpace())
        --before;
    if (before == 0 || statement[before - 1] != u'=')
        return -1;
    // Not a key that a line comment holds (nor, to be sure, any last line
    // with "--" in it).
    const qsizetype lastLine = statement.lastIndexOf(u'\n') + 1;
    return statement.sliced(lastLine).contains(QLatin1StringView("--")) ? -1 : at;
}

std::optional<KeyedSelect> keyedSelect(const QString& statement)
{
    const qsizetype at = trailingKeyAt(statement);
    if (at < 0 || !isWord(firstWord(statement), QLatin1StringView("SELECT")))
        return std::nullopt;
    bool isNumber = false;
    const qlonglong key = QStringView(statement).sliced(at).toLongLong(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return KeyedSelect{statement.first(at) + u'?', key};
}

QString baseTable(const QString& statement)
{
    static const Re several(QStringLiteral(R"(\bjoin\b|\bunion\b|\bgroup\s+by\b|\(\s*select\b)"), kCaseless);
    static const Re from(QStringLiteral(R"(\bfrom\s+([\w\[\]\.]+)\s*(,)?)"), kCaseless);
    const bool mayBeSeveral = statement.contains(u'(') || hasWord(statement, QLatin1StringView("JOIN"))
        || hasWord(statement, QLatin1StringView("UNION")) || hasWord(statement, QLatin1StringView("GROUP"));
    if (mayBeSeveral && several.match(statement).hasMatch())
        return {};
    const auto match = from.match(statement);
    if (!match.hasMatch() || match.hasCaptured(2))
        return {};
    QString table = match.captured(1);
    table = table.mid(table.lastIndexOf(u'.') + 1);
    return table.remove(u'[').remove(u']');
}

} // namespace db::tsql
