#pragma once
#include <QString>
#include <QVariant>

#include <optional>

namespace db {

enum class FieldType {
    Unknown,       // taken as it comes
    Integer,       // 32-bit signed
    AutoIncrement, // 32-bit, assigned by the server, read-only
    SmallInt,      // 16-bit signed
    Float,
    String,        // 8-bit text of at most size characters
    WideString,    // Unicode text of at most size characters
    Date,
    DateTime,
};

bool isIntegerType(FieldType type);
bool isTextType(FieldType type);

// A value as a 64-bit integer, exactly: integers of any width, whole real
// numbers within the 53 bits a double holds exactly, and texts of an integer
// (spaces around it allowed). None for anything else ("7.5", "1e3", "abc",
// null): nothing is read through a floating-point number that would round.
std::optional<qlonglong> exactInteger(const QVariant& value);

// A value as read from the server, in the type of its field: dates that a
// backend hands over as text become dates. Values already of the type stay.
QVariant typedValue(const QVariant& value, FieldType type);

// The field type of a result column by the type of value its driver reads
// from it. 16-bit signed integers are small integers; wider ones, and
// unsigned 16-bit ones (which a small integer cannot hold), are integers.
FieldType fieldTypeOf(QMetaType valueType);

// A column type as a server declares it ("VARCHAR(20)", "nvarchar(300)",
// "INTEGER", "smallint", "datetime" ...), with its size for texts.
struct DeclaredType {
    FieldType type = FieldType::Unknown;
    int size = 0;
};
DeclaredType parseDeclaredType(const QString& declaration);

} // namespace db
