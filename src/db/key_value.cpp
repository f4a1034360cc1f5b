#include "db/key_value.h"

#include "db/field_type.h"

namespace db {

bool sameKey(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    const auto x = exactInteger(a);
    const auto y = exactInteger(b);
    return x && y ? *x == *y : a.toString() == b.toString();
}

} // namespace db
