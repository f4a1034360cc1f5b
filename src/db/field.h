#pragma once
// A field of a dataset: a column of its rows by name, or a lookup that shows a
// column of another dataset's row found by key.
#include "db/field_type.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace db {

class Dataset;

// A text cut to a column of `size` characters (0: no limit), counted as the
// server counts them, in UTF-16 units: one fewer where the cut would split a
// character written in two. A text ending in half of such a character loses
// that half whatever its length.
QString cutToSize(const QString& text, int size);

struct LookupDefinition {
    QString keyField;       // field of this dataset holding the key
    Dataset* dataset = nullptr;
    QString lookupKeyField; // column of the lookup dataset matched with the key
    QString resultField;    // column of the lookup dataset shown
};

struct FieldDefinition {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0; // texts: at most this many characters (0: no limit)
    bool readOnly = false;
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::optional<LookupDefinition> lookup;
};

class Field {
public:
    Field(Dataset& dataset, FieldDefinition definition);

    const QString& name() const { return m_definition.name; }
    FieldType type() const { return m_definition.type; }
    int size() const { return m_definition.size; }
    bool isReadOnly() const;
    bool isLookup() const { return m_definition.lookup.has_value(); }
    const LookupDefinition* lookup() const { return m_definition.lookup ? &*m_definition.lookup : nullptr; }
    const FieldDefinition& definition() const { return m_definition; }
    Dataset& dataset() const { return m_dataset; }

    // Of the current record (its pending values while it is edited).
    QVariant value() const;
    bool isNull() const { return value().isNull(); }
    QString asString() const;

    // Of any row, for views that show many rows.
    QVariant valueAt(int row) const;
    QString displayTextAt(int row) const;

    // Into the current record, which must be in edit or insert state. Refuses
    // values the field cannot hold with the field's own message and keeps its
    // previous value: integers out of range or not whole, 8-bit texts with a
    // character outside Windows-1251. Texts are cut to the field's size.
    void setValue(const QVariant& value);
    // Parses a text as the field's type (empty text: null).
    void setAsString(const QString& text);
    void clear() { setValue(QVariant()); }

    // The text of a value as a view shows it.
    QString displayText(const QVariant& value) const;

    // Set by the dataset when it opens: the storage column, whose type a field
    // without a type of its own takes; for a lookup, its key field.
    void bindColumn(int column, FieldType columnType);
    void bindKeyField(Field* keyField) { m_keyField = keyField; }

private:
    QVariant convertForStorage(const QVariant& value) const;
    QVariant integerForStorage(const QVariant& value) const;
    [[noreturn]] void refuse(const QString& message) const;
    QVariant lookupValueFor(const QVariant& key) const;

    // The lookup dataset's key and result columns, taken again when it reopens.
    void resolveLookupColumns() const;

    Dataset& m_dataset;
    FieldDefinition m_definition;
    int m_column = -1; // storage column; -1 for a lookup
    Field* m_keyField = nullptr; // a lookup's key field in this dataset
    mutable quint64 m_lookupStamp = 0;
    mutable int m_lookupKeyColumn = -1;
    mutable int m_lookupResultColumn = -1;
};

} // namespace db
