#include "db/field.h"

#include "db/dataset.h"
#include "db/errors.h"
#include "platform/cp1251.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace db {
namespace {

QString rangeText(double value)
{
    return QString::number(value, 'g', 15);
}

const QStringList kDateFormats = {QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy"),
                                  QStringLiteral("yyyy-MM-dd")};
const QStringList kDateTimeFormats = {QStringLiteral("dd.MM.yyyy H:mm:ss"), QStringLiteral("dd.MM.yyyy H:mm"),
                                      QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss")};

QDate parseDate(const QString& text)
{
    for (const QString& format : kDateFormats) {
        const QDate date = QDate::fromString(text.trimmed(), format);
        if (date.isValid())
            return date;
    }
    return {};
}

QDateTime parseDateTime(const QString& text)
{
    for (const QString& format : kDateTimeFormats) {
        const QDateTime moment = QDateTime::fromString(text.trimmed(), format);
        if (moment.isValid())
            return moment;
    }
    const QDate date = parseDate(text);
    return date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
}

} // namespace

QString cutToSize(const QString& text, int size)
{
    QString cut = size > 0 && text.size() > size ? text.left(size) : text;
    // The first half of a character written in two UTF-16 units, left by this
    // cut or by an editor's own length limit, would be invalid in the file.
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

Field::Field(Dataset& dataset, FieldDefinition definition)
    : m_dataset(dataset)
    , m_definition(std::move(definition))
{
}

bool Field::isReadOnly() const
{
    return m_definition.readOnly || m_definition.type == FieldType::AutoIncrement;
}

void Field::bindColumn(int column, FieldType columnType)
{
    m_column = column;
    if (m_definition.type == FieldType::Unknown)
        m_definition.type = columnType;
}

QVariant Field::value() const
{
    if (m_dataset.currentRow() < 0)
        return {};
    if (isLookup())
        return lookupValueFor(m_keyField ? m_keyField->value() : QVariant());
    return typedValue(m_dataset.currentValue(m_column), type());
}

QVariant Field::valueAt(int row) const
{
    if (m_dataset.isEditing() && row == m_dataset.currentRow())
        return value();
    if (isLookup())
        return lookupValueFor(m_keyField ? m_keyField->valueAt(row) : QVariant());
    return typedValue(m_dataset.storedValue(row, m_column), type());
}

QString Field::asString() const
{
    return displayText(value());
}

QString Field::displayTextAt(int row) const
{
    return displayText(valueAt(row));
}

QString Field::displayText(const QVariant& value) const
{
    if (value.isNull())
        return {};
    switch (value.metaType().id()) {
    case QMetaType::QDate: return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.time() == QTime(0, 0) ? moment.date().toString(QStringLiteral("dd.MM.yyyy"))
                                            : moment.toString(QStringLiteral("dd.MM.yyyy H:mm:ss"));
    }
    case QMetaType::Double: return QString::number(value.toDouble(), 'g', 15);
    default: return value.toString();
    }
}

void Field::resolveLookupColumns() const
{
    const LookupDefinition& lookup = *m_definition.lookup;
    if (m_lookupStamp == lookup.dataset->openStamp())
        return;
    m_lookupKeyColumn = lookup.dataset->columnIndex(lookup.lookupKeyField);
    m_lookupResultColumn = lookup.dataset->columnIndex(lookup.resultField);
    m_lookupStamp = lookup.dataset->openStamp();
}

QVariant Field::lookupValueFor(const QVariant& key) const
{
    const LookupDefinition& lookup = *m_definition.lookup;
    if (key.isNull() || !lookup.dataset || !lookup.dataset->isOpen())
        return {};
    resolveLookupColumns();
    const int row = lookup.dataset->locate(m_lookupKeyColumn, key);
    if (row < 0)
        return {};
    // Shown whole: a lookup's text is never stored, so its size cuts nothing.
    return lookup.dataset->storedValue(row, m_lookupResultColumn).toString();
}

void Field::refuse(const QString& message) const
{
    throw DatabaseError(message, DatabaseError::Kind::RefusedByField);
}

QVariant Field::integerForStorage(const QVariant& value) const
{
    const std::optional<qlonglong> number = exactInteger(value);
    const FieldType type = m_definition.type;
    const qlonglong lowest = type == FieldType::SmallInt ? -32768
        : type == FieldType::BigInt                      ? std::numeric_limits<qlonglong>::min()
                                                         : std::numeric_limits<qint32>::min();
    const qlonglong highest = type == FieldType::SmallInt ? 32767
        : type == FieldType::BigInt                       ? std::numeric_limits<qlonglong>::max()
                                                          : std::numeric_limits<qint32>::max();
    // Beyond what the column can hold at all, the text is no integer of this field.
    if (!number || (type != FieldType::SmallInt && (*number < lowest || *number > highest)))
        refuse(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(value.toString(), name()));
    const double minimum = m_definition.minimum.value_or(double(lowest));
    const double maximum = m_definition.maximum.value_or(double(highest));
    const bool ranged = m_definition.minimum || m_definition.maximum || m_definition.type == FieldType::SmallInt;
    if (ranged && (double(*number) < minimum || double(*number) > maximum))
        refuse(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                   .arg(QString::number(*number), name(), rangeText(minimum), rangeText(maximum)));
    return type == FieldType::BigInt ? QVariant(*number) : QVariant(int(*number));
}

QVariant Field::convertForStorage(const QVariant& value) const
{
    if (value.isNull())
        return {};
    const FieldType type = m_definition.type;
    if (isIntegerType(type))
        return integerForStorage(value);
    if (type == FieldType::Float) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number))
            refuse(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(value.toString(), name()));
        const bool ranged = m_definition.minimum || m_definition.maximum;
        if (ranged && (number < m_definition.minimum.value_or(number) || number > m_definition.maximum.value_or(number)))
            refuse(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                       .arg(rangeText(number), name(), rangeText(m_definition.minimum.value_or(0)),
                            rangeText(m_definition.maximum.value_or(0))));
        return number;
    }
    if (type == FieldType::String) {
        // An 8-bit text column holds Windows-1251: a character outside it would
        // be stored as '?', and the row could not be found again by its text.
        const QString text = cutToSize(value.toString(), m_definition.size);
        if (platform::utf8ToCp1251(text.toStdString()))
            return text;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
            const QString character = text.mid(at, length);
            if (!platform::utf8ToCp1251(character.toStdString()))
                refuse(QStringLiteral("The character '%1' cannot be stored in field '%2': the field holds only "
                                      "Windows-1251 (Cyrillic and Latin) text.").arg(character, name()));
            at += length;
        }
        return text;
    }
    if (isTextType(type))
        return cutToSize(value.toString(), m_definition.size);
    if (type == FieldType::Date) {
        const QDate date = value.metaType().id() == QMetaType::QString ? parseDate(value.toString()) : value.toDate();
        if (!date.isValid())
            refuse(QStringLiteral("'%1' is not a valid date").arg(value.toString()));
        return date;
    }
    if (type == FieldType::DateTime) {
        const QDateTime moment = value.metaType().id() == QMetaType::QString ? parseDateTime(value.toString())
                                                                            : value.toDateTime();
        if (!moment.isValid())
            refuse(QStringLiteral("'%1' is not a valid date and time").arg(value.toString()));
        return moment;
    }
    return value;
}

void Field::setValue(const QVariant& value)
{
    if (isLookup()) {
        // Choosing a shown text stores the key of the lookup row that holds it.
        const LookupDefinition& lookup = *m_definition.lookup;
        QVariant key;
        if (!value.isNull() && !value.toString().isEmpty()) {
            resolveLookupColumns();
            const int row = lookup.dataset->locate(m_lookupResultColumn, value);
            if (row < 0)
                refuse(QStringLiteral("'%1' is not a valid value for field '%2'").arg(value.toString(), name()));
            key = lookup.dataset->storedValue(row, m_lookupKeyColumn);
        }
        m_dataset.fieldByName(lookup.keyField).setValue(key);
        return;
    }
    if (isReadOnly())
        throw m_dataset.error(QStringLiteral("Field '%1' cannot be modified").arg(name()), DatabaseError::Kind::ReadOnly);
    if (!m_dataset.isEditing())
        throw m_dataset.error(QStringLiteral("Dataset not in edit or insert mode"), DatabaseError::Kind::Usage);
    m_dataset.setCurrentValue(m_column, convertForStorage(value));
}

void Field::setAsString(const QString& text)
{
    setValue(text.isEmpty() ? QVariant() : QVariant(text));
}

} // namespace db
