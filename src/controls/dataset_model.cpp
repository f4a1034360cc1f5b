#include "controls/dataset_model.h"

#include "controls/dialogs.h"
#include "db/dataset.h"
#include "db/field.h"

namespace controls {
namespace {

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b || a.toString() == b.toString();
}

} // namespace

DatasetModel::DatasetModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    connect(&m_link, &db::DataLink::activeChanged, this, &DatasetModel::followActivity);
    connect(&m_link, &db::DataLink::aboutToReset, this, [this] {
        if (m_resetting || m_rowsInViews)
            return;
        if (m_shown && m_shown == m_link.dataset()) {
            m_rowsInViews = rowCount();
            return;
        }
        m_resetting = true;
        beginResetModel();
    });
    connect(&m_link, &db::DataLink::reset, this, [this] {
        if (m_resetting) {
            m_resetting = false;
            endResetModel();
        } else if (m_rowsInViews) {
            replaceRows();
        }
        followLookupDatasets();
    });
    connect(&m_link, &db::DataLink::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(&m_link, &db::DataLink::rowInserted, this, [this] { endInsertRows(); });
    connect(&m_link, &db::DataLink::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(&m_link, &db::DataLink::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&m_link, &db::DataLink::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    // The lock type decides what may be edited.
    connect(&m_link, &db::DataLink::stateChanged, this, &DatasetModel::allRowsChanged);
}

void DatasetModel::setDataSource(db::DataSource* source)
{
    m_link.setDataSource(source);
    followActivity();
}

void DatasetModel::followActivity()
{
    if (m_shown == m_link.dataset() && !m_resetting)
        return;
    if (!m_resetting)
        beginResetModel();
    m_resetting = false;
    m_rowsInViews.reset();
    m_shown = m_link.dataset();
    endResetModel();
    followLookupDatasets();
}

// Lookup texts change when a lookup dataset does (a dictionary edited
// elsewhere); the rows shown must follow.
void DatasetModel::followLookupDatasets()
{
    QList<QPointer<db::Dataset>> lookups;
    for (int column = 0; column < m_fieldNames.size(); ++column)
        if (const db::Field* f = field(column); f && f->isLookup() && f->lookup()->dataset)
            lookups << f->lookup()->dataset;
    // The rows read again for another key keep their lookups (a lookup
    // dataset destroyed meanwhile compares as null).
    if (lookups == m_lookupDatasets)
        return;
    for (const auto& connection : std::as_const(m_lookupConnections))
        disconnect(connection);
    m_lookupConnections.clear();
    m_lookupDatasets = lookups;
    for (db::Dataset* lookup : std::as_const(lookups)) {
        m_lookupConnections << connect(lookup, &db::Dataset::reset, this, &DatasetModel::allRowsChanged)
                            << connect(lookup, &db::Dataset::rowChanged, this, &DatasetModel::allRowsChanged)
                            << connect(lookup, &db::Dataset::rowRemoved, this, &DatasetModel::allRowsChanged);
    }
}

// The same dataset's rows read again (another statement, another order): the
// views are told which rows went, came or changed, and not reset, so that
// they keep their current cell and their layout, which a reset would throw
// away only to build them again at once.
void DatasetModel::replaceRows()
{
    const int before = *m_rowsInViews;
    const db::Dataset* data = dataset();
    const int after = data ? data->recordCount() : 0;
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        m_rowsInViews = after;
        endRemoveRows();
    } else if (after > before) {
        beginInsertRows({}, before, after - 1);
        m_rowsInViews = after;
        endInsertRows();
    }
    m_rowsInViews.reset();
    const int kept = std::min(before, after);
    if (kept > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(kept - 1, columnCount() - 1));
}

void DatasetModel::allRowsChanged()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void DatasetModel::setFieldNames(const QStringList& names)
{
    beginResetModel();
    m_fieldNames = names;
    endResetModel();
    followLookupDatasets();
}

db::Field* DatasetModel::field(int column) const
{
    const db::Dataset* data = dataset();
    if (!data || column < 0 || column >= m_fieldNames.size())
        return nullptr;
    return data->findField(m_fieldNames[column]);
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_resetting)
        return 0;
    if (m_rowsInViews)
        return *m_rowsInViews;
    const db::Dataset* data = dataset();
    return data ? data->recordCount() : 0;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_fieldNames.size());
}

QVariant DatasetModel::rawValue(int row, int column) const
{
    if (const db::Field* f = field(column))
        return f->valueAt(row);
    const db::Dataset* data = dataset();
    return data ? data->storedValue(row, data->columnIndex(m_fieldNames.value(column))) : QVariant();
}

QString DatasetModel::cellText(int row, int column, bool formatted) const
{
    if (formatted)
        if (const db::Field* f = field(column))
            return f->displayTextAt(row);
    return rawValue(row, column).toString();
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    // While rows are replaced, the views may still know rows the dataset no
    // longer has.
    const db::Dataset* rows = dataset();
    if (!index.isValid() || index.row() >= rowCount() || !rows || index.row() >= rows->recordCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cellText(index.row(), index.column());
    case KeyRole: {
        const db::Field* f = field(index.column());
        if (!f || !f->isLookup())
            return {};
        const db::Field* key = f->dataset().findField(f->lookup()->keyField);
        return key ? key->valueAt(index.row()) : QVariant();
    }
    case Qt::TextAlignmentRole: {
        const db::Field* f = field(index.column());
        const bool number = f && !f->isLookup()
            && (db::isIntegerType(f->type()) || f->type() == db::FieldType::Float);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    default: return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const db::Field* f = field(index.column());
    if (!f || !f->dataset().canModify() || (m_columnEditable && !m_columnEditable(index.column())))
        return result;
    const db::Field* written = f->isLookup() ? f->dataset().findField(f->lookup()->keyField) : f;
    if (written && !written->isReadOnly())
        result |= Qt::ItemIsEditable;
    return result;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    bool written = false;
    guarded([&] { written = writeCell(index, value, role); });
    return written;
}

bool DatasetModel::writeCell(const QModelIndex& index, const QVariant& value, int role)
{
    db::Dataset* data = dataset();
    db::Field* f = field(index.column());
    if (!data || !f || !index.isValid() || (role != Qt::EditRole && role != KeyRole))
        return false;
    // Only the current record is written; an editor left open on a row the
    // dataset has moved away from writes nothing.
    if (index.row() != data->currentRow())
        return false;
    if (role == KeyRole) {
        if (!f->isLookup())
            return false;
        db::Field& key = data->fieldByName(f->lookup()->keyField);
        if (sameValue(key.value(), value))
            return true;
        data->edit();
        key.setValue(value);
        return true;
    }
    const QString text = value.toString();
    if (text == f->asString())
        return true;
    data->edit();
    f->setAsString(text);
    return true;
}

} // namespace controls
