#include "db/data_source.h"

#include "db/dataset.h"

namespace db {

DataSource::DataSource(const QString& name, Dataset* dataset, QObject* parent)
    : QObject(parent)
{
    setObjectName(name);
    setDataset(dataset);
}

void DataSource::setDataset(Dataset* dataset)
{
    if (m_dataset == dataset)
        return;
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_dataset)
        connect(m_dataset, &Dataset::stateChanged, this, &DataSource::changed);
    emit changed();
}

void DataSource::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit changed();
}

bool DataSource::isActive() const
{
    return m_enabled && m_dataset && m_dataset->isOpen();
}

DataLink::DataLink(QObject* parent)
    : QObject(parent)
{
}

void DataLink::setDataSource(DataSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &DataSource::changed, this, &DataLink::follow);
    follow();
}

Dataset* DataLink::dataset() const
{
    return m_active ? m_connected.data() : nullptr;
}

void DataLink::connectDataset(Dataset* dataset)
{
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_connected = dataset;
    if (!dataset)
        return;
    m_connections << connect(dataset, &Dataset::stateChanged, this, &DataLink::stateChanged)
                  << connect(dataset, &Dataset::currentChanged, this, &DataLink::currentChanged)
                  << connect(dataset, &Dataset::aboutToReset, this, &DataLink::aboutToReset)
                  << connect(dataset, &Dataset::reset, this, &DataLink::reset)
                  << connect(dataset, &Dataset::rowAboutToBeInserted, this, &DataLink::rowAboutToBeInserted)
                  << connect(dataset, &Dataset::rowInserted, this, &DataLink::rowInserted)
                  << connect(dataset, &Dataset::rowAboutToBeRemoved, this, &DataLink::rowAboutToBeRemoved)
                  << connect(dataset, &Dataset::rowRemoved, this, &DataLink::rowRemoved)
                  << connect(dataset, &Dataset::rowChanged, this, &DataLink::rowChanged)
                  << connect(dataset, &Dataset::updatingRecord, this, &DataLink::updatingRecord);
}

// The dataset's own signals reach the control only while the source is
// active; becoming active or inactive is one signal of its own.
void DataLink::follow()
{
    const bool active = m_source && m_source->isActive();
    Dataset* dataset = active ? m_source->dataset() : nullptr;
    if (active == m_active && dataset == m_connected)
        return;
    connectDataset(nullptr);
    m_active = active;
    if (active)
        connectDataset(dataset);
    emit activeChanged(active);
}

} // namespace db
