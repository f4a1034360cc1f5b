#pragma once
// How key values are matched: lookups, the lookup box's key and the record a
// refresh keeps all find a row by the same rule.
#include <QVariant>

#include <optional>

namespace db {

// The value as an integer key: integers of any width, whole real numbers and
// texts of an integer ("7") all give it, exactly and 64-bit wide; anything
// else (null, "7.5", "abc") gives none.
std::optional<qlonglong> integerKey(const QVariant& value);

// Whether two key values are the same key: integer keys by their integer
// value, other keys by their text; null is the same only as null.
bool sameKey(const QVariant& a, const QVariant& b);

} // namespace db
