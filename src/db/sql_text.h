#pragma once
#include <QString>
#include <QVariant>

namespace db {

// A text as an SQL text literal: every apostrophe doubled, the whole enclosed
// in apostrophes.
inline QString sqlTextLiteral(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QLatin1String("''")) + u'\'';
}

// A key as it goes into a statement: its decimal text (a null key gives an
// empty text).
inline QString sqlKeyText(const QVariant& key)
{
    return key.isNull() ? QString() : QString::number(key.toLongLong());
}

} // namespace db
