#include "db/field.h"

#include "db/dataset.h"
#include "db/errors.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

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

Field::Field(Dataset& dataset, FieldDefinition definition)
    : m_dataset(dataset)
    , m_definition(std::move(definition))
{
}

bool Field::isReadOnly() const
{
    return m_definition.readOnly || m_definition.type == FieldType::AutoIncrement;
}

QVariant Field::value() const
{
    if (m_dataset.m_current < 0)
        return {};
    if (isLookup())
        return lookupValueFor(m_keyField ? m_keyField->value() : QVariant());
    if (m_dataset.isEditing())
        return typedValue(m_dataset.m_buffer.value(m_column), type());
    return typedValue(m_dataset.storedValue(m_dataset.m_current, m_column), type());
}

QVariant Field::valueAt(int row) const
{
    if (m_dataset.isEditing() && row == m_dataset.m_current)
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

QVariant Field::convertForStorage(const QVariant& value) const
{
    if (value.isNull())
        return {};
    const FieldType type = m_definition.type;
    if (isIntegerType(type) || type == FieldType::Float) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        const bool whole = ok && number == double(qlonglong(number));
        if (!ok || (type != FieldType::Float && !whole))
            throw DatabaseError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                    .arg(value.toString(), name()));
        const bool ranged = m_definition.minimum || m_definition.maximum;
        if (ranged && (number < m_definition.minimum.value_or(number) || number > m_definition.maximum.value_or(number)))
            throw DatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                    .arg(rangeText(number), name(), rangeText(m_definition.minimum.value_or(0)),
                                         rangeText(m_definition.maximum.value_or(0))));
        if (type == FieldType::Float)
            return number;
        if (type == FieldType::SmallInt && (number < -32768 || number > 32767))
            throw DatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                    .arg(rangeText(number), name(), QStringLiteral("-32768"), QStringLiteral("32767")));
        return int(number);
    }
    if (isTextType(type)) {
        QString text = value.toString();
        if (m_definition.size > 0)
            text.truncate(m_definition.size);
        return text;
    }
    if (type == FieldType::Date) {
        const QDate date = value.metaType().id() == QMetaType::QString ? parseDate(value.toString()) : value.toDate();
        if (!date.isValid())
            throw DatabaseError(QStringLiteral("'%1' is not a valid date").arg(value.toString()));
        return date;
    }
    if (type == FieldType::DateTime) {
        const QDateTime moment = value.metaType().id() == QMetaType::QString ? parseDateTime(value.toString())
                                                                            : value.toDateTime();
        if (!moment.isValid())
            throw DatabaseError(QStringLiteral("'%1' is not a valid date and time").arg(value.toString()));
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
                throw DatabaseError(QStringLiteral("'%1' is not a valid value for field '%2'")
                                        .arg(value.toString(), name()));
            key = lookup.dataset->storedValue(row, m_lookupKeyColumn);
        }
        m_dataset.fieldByName(lookup.keyField).setValue(key);
        return;
    }
    if (isReadOnly())
        m_dataset.fail(QStringLiteral("Field '%1' cannot be modified").arg(name()));
    if (!m_dataset.isEditing())
        m_dataset.fail(QStringLiteral("Dataset not in edit or insert mode"));
    m_dataset.setPendingValue(m_column, convertForStorage(value));
}

void Field::setAsString(const QString& text)
{
    setValue(text.isEmpty() ? QVariant() : QVariant(text));
}

} // namespace db
