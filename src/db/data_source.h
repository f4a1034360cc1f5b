#pragma once
// A data source joins a dataset to the controls bound to it and can be
// disabled; a DataLink is a control's view of one data source.
#include "db/dataset.h"

#include <QObject>
#include <QPointer>

namespace db {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString& name, Dataset* dataset = nullptr, QObject* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }
    void setDataset(Dataset* dataset);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // Enabled, with an open dataset.
    bool isActive() const;

signals:
    // The dataset, the enabled flag or the dataset's open state changed.
    void changed();

private:
    QPointer<Dataset> m_dataset;
    bool m_enabled = true;
};

// Follows a data source for a control: re-emits its dataset's signals while
// the data source is active, and tells when it becomes active or inactive.
class DataLink : public QObject {
    Q_OBJECT
public:
    explicit DataLink(QObject* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    // The dataset while the link is active, otherwise nullptr.
    Dataset* dataset() const;
    bool isActive() const { return m_active; }

signals:
    void activeChanged(bool active);
    void stateChanged();
    void currentChanged();
    void aboutToReset();
    void reset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void updatingRecord();

private:
    void follow();
    void connectDataset(Dataset* dataset);

    QPointer<DataSource> m_source;
    QPointer<Dataset> m_connected;
    bool m_active = false;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace db
