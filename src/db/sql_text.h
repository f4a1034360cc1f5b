#pragma once
#include <QString>

namespace db {

// A text as an SQL text literal: every apostrophe doubled, the whole enclosed
// in apostrophes.
inline QString sqlTextLiteral(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', QLatin1String("''")) + u'\'';
}

} // namespace db
