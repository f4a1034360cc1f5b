#pragma once
// The record a dataset is editing or inserting: its values as they will be
// written, and which of them were set since the edit began.
#include "db/row_store.h"

namespace db {

class PendingRecord {
public:
    // Begins with these values, none of them set.
    void start(Row values)
    {
        m_values = std::move(values);
        m_changed = QVector<bool>(m_values.size(), false);
        m_modified = false;
    }
    void clear() { start({}); }

    const Row& values() const { return m_values; }
    QVariant value(int column) const { return m_values.value(column); }
    void set(int column, QVariant value)
    {
        m_values[column] = std::move(value);
        m_changed[column] = true;
        m_modified = true;
    }
    // A value the server assigned (a new key): part of the record, not a change.
    void assign(int column, QVariant value) { m_values[column] = std::move(value); }
    bool isChanged(int column) const { return m_changed.value(column, false); }
    // Whether anything was set.
    bool isModified() const { return m_modified; }

private:
    Row m_values;
    QVector<bool> m_changed;
    bool m_modified = false;
};

} // namespace db
