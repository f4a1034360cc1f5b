#pragma once
// How key values are matched: lookups, the lookup box's key and the record a
// refresh keeps all find a row by the same rule.
#include <QVariant>

namespace db {

// Whether two key values are the same key: keys that are integers
// (exactInteger: 7, 7.0 and "7" alike) by their 64-bit value, other keys by
// their text; null is the same only as null.
bool sameKey(const QVariant& a, const QVariant& b);

} // namespace db
