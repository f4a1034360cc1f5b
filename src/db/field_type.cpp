#include "db/field_type.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace db {

bool isIntegerType(FieldType type)
{
    return type == FieldType::Integer || type == FieldType::AutoIncrement || type == FieldType::SmallInt;
}

bool isTextType(FieldType type)
{
    return type == FieldType::String || type == FieldType::WideString;
}

std::optional<qlonglong> exactInteger(const QVariant& value)
{
    switch (value.metaType().id()) {
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
        const double real = value.toDouble();
        if (!std::isfinite(real) || real != std::trunc(real) || std::abs(real) > 0x1p53)
            return std::nullopt;
        return qlonglong(real);
    }
    default: break;
    }
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(number) : std::nullopt;
}

QVariant typedValue(const QVariant& value, FieldType type)
{
    if (value.isNull())
        return {};
    const bool isText = value.metaType().id() == QMetaType::QString;
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
    case FieldType::SmallInt: return value.metaType().id() == QMetaType::Int ? value : QVariant(value.toInt());
    case FieldType::Float: return value.toDouble();
    case FieldType::String:
    case FieldType::WideString: return isText ? value : QVariant(value.toString());
    case FieldType::Date:
        return isText ? QVariant(QDate::fromString(value.toString().left(10), Qt::ISODate)) : QVariant(value.toDate());
    case FieldType::DateTime: {
        if (!isText)
            return value.toDateTime();
        const QString text = value.toString();
        QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
        return moment.isValid() ? moment : QDateTime(QDate::fromString(text.left(10), Qt::ISODate), QTime(0, 0));
    }
    case FieldType::Unknown: break;
    }
    return value;
}

FieldType fieldTypeOf(QMetaType valueType)
{
    switch (valueType.id()) {
    case QMetaType::Short: return FieldType::SmallInt;
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return FieldType::Integer;
    case QMetaType::Float:
    case QMetaType::Double: return FieldType::Float;
    case QMetaType::QString: return FieldType::String;
    case QMetaType::QDate: return FieldType::Date;
    case QMetaType::QDateTime: return FieldType::DateTime;
    default: return FieldType::Unknown;
    }
}

DeclaredType parseDeclaredType(const QString& declaration)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(\w+)\s*(?:\(\s*(\d+)\s*\))?)"));
    const auto match = pattern.match(declaration);
    if (!match.hasMatch())
        return {};
    const QString name = match.captured(1).toLower();
    const int size = match.captured(2).toInt();
    if (name == u"int" || name == u"integer" || name == u"bigint")
        return {FieldType::Integer, 0};
    if (name == u"smallint" || name == u"tinyint")
        return {FieldType::SmallInt, 0};
    if (name == u"varchar" || name == u"char" || name == u"text")
        return {FieldType::String, size};
    if (name == u"nvarchar" || name == u"nchar" || name == u"ntext")
        return {FieldType::WideString, size};
    if (name == u"date")
        return {FieldType::Date, 0};
    if (name == u"datetime" || name == u"datetime2" || name == u"smalldatetime")
        return {FieldType::DateTime, 0};
    if (name == u"real" || name == u"float" || name == u"double" || name == u"numeric" || name == u"decimal")
        return {FieldType::Float, 0};
    return {};
}

} // namespace db
