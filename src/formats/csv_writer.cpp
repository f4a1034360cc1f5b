#include "formats/csv_writer.h"

#include <QRegularExpression>

namespace formats {
namespace {

bool startsAFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (first == u'=' || first == u'@' || first == u'\t' || first == u'\r')
        return true;
    if (first != u'+' && first != u'-')
        return false;
    static const QRegularExpression number(QStringLiteral(R"(^[+-]\d+([.,]\d+)?$)"));
    return !number.match(text).hasMatch();
}

} // namespace

QString CsvWriter::field(const QString& original)
{
    const QString text = startsAFormula(original) ? u'\'' + original : original;
    const bool quoted = text.contains(kSeparator) || text.contains(u'"') || text.contains(u'\n')
        || text.contains(u'\r') || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted)
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void CsvWriter::addRow(const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_text += kSeparator;
        m_text += field(fields[i]);
    }
    m_text += QStringLiteral("\r\n");
}

QByteArray CsvWriter::data() const
{
    return QByteArrayLiteral("\xEF\xBB\xBF") + m_text.toUtf8();
}

} // namespace formats
