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

// The dataset's signals are connected once per dataset and passed on only
// while the link is active: activating a link costs no new connections.
void DataLink::connectDataset(Dataset* dataset)
{
    if (m_connected == dataset)
        return;
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_connected = dataset;
    if (!dataset)
        return;
    auto pass = [this](auto signal) {
        return [this, signal](auto... arguments) {
            if (m_active)
                (this->*signal)(arguments...);
        };
    };
    m_connections << connect(dataset, &Dataset::stateChanged, this, pass(&DataLink::stateChanged))
                  << connect(dataset, &Dataset::currentChanged, this, pass(&DataLink::currentChanged))
                  << connect(dataset, &Dataset::updatingRecord, this, pass(&DataLink::updatingRecord))
                  << connect(dataset, &Dataset::aboutToReset, this, pass(&DataLink::aboutToReset))
                  << connect(dataset, &Dataset::reset, this, pass(&DataLink::reset))
                  << connect(dataset, &Dataset::rowAboutToBeInserted, this, pass(&DataLink::rowAboutToBeInserted))
                  << connect(dataset, &Dataset::rowInserted, this, pass(&DataLink::rowInserted))
                  << connect(dataset, &Dataset::rowAboutToBeRemoved, this, pass(&DataLink::rowAboutToBeRemoved))
                  << connect(dataset, &Dataset::rowRemoved, this, pass(&DataLink::rowRemoved))
                  << connect(dataset, &Dataset::rowChanged, this, pass(&DataLink::rowChanged));
}

// The dataset's own signals reach the control only while the source is
// active; becoming active or inactive is one signal of its own.
void DataLink::follow()
{
    const bool active = m_source && m_source->isActive();
    Dataset* dataset = m_source ? m_source->dataset() : nullptr;
    if (active == m_active && dataset == m_connected)
        return;
    connectDataset(dataset);
    const bool changed = active != m_active;
    m_active = active;
    if (changed || active)
        emit activeChanged(active);
}

} // namespace db
