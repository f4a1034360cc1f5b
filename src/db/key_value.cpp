#include "db/key_value.h"

#include <cmath>
#include <limits>

namespace db {

std::optional<qlonglong> integerKey(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.metaType().id()) {
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong: return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong number = value.toULongLong();
        if (number > qulonglong(std::numeric_limits<qlonglong>::max()))
            return std::nullopt;
        return qlonglong(number);
    }
    case QMetaType::Float:
    case QMetaType::Double: {
        // Whole numbers within 64 bits convert exactly; 2^63 itself does not fit.
        const double real = value.toDouble();
        if (std::trunc(real) != real || real < -0x1p63 || real >= 0x1p63)
            return std::nullopt;
        return qlonglong(real);
    }
    default: break;
    }
    bool ok = false;
    const qlonglong number = value.toString().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(number) : std::nullopt;
}

bool sameKey(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    const auto x = integerKey(a);
    const auto y = integerKey(b);
    return x && y ? *x == *y : a.toString() == b.toString();
}

} // namespace db
