#pragma once
// A table model over the rows of a data source's dataset: each model column
// shows one field (or result column) by name. It keeps no copy of the data: a
// view asks only for the rows it shows and gets them from the dataset.
#include "db/data_source.h"
#include "db/dataset.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>


namespace controls {

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The key behind a lookup column (read), or the key to write into the
    // lookup's key field (setData).
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit DatasetModel(QObject* parent = nullptr);

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    const db::DataLink& link() const { return m_link; }
    // The dataset while the data source is active, otherwise nullptr.
    db::Dataset* dataset() const { return m_link.dataset(); }

    void setFieldNames(const QStringList& names);
    const QStringList& fieldNames() const { return m_fieldNames; }
    // The field shown in a column; nullptr while inactive or when the name is
    // no field (a bare result column is still shown, read-only).
    db::Field* field(int column) const;

    // Whether the owner allows editing a column at all; the field and the
    // dataset must allow it too.
    void setColumnEditable(std::function<bool(int column)> editable) { m_columnEditable = std::move(editable); }

    // Text of a cell as shown, or the raw value's text.
    QString cellText(int row, int column, bool formatted = true) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Writes into the current record (another row is not written), putting
    // it into edit state first. An unchanged text writes nothing. A refusal
    // of the dataset or the field is shown through the error display and the
    // result is false, as the toolkit's views expect.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // The same for the project's own controls, which stop what they were
    // doing on a refusal: it is thrown as db::DatabaseError, not shown.
    bool writeCell(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole);
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void followActivity();
    void followLookupDatasets();
    void replaceRows();
    void allRowsChanged();
    QVariant rawValue(int row, int column) const;

    db::DataLink m_link;
    QStringList m_fieldNames;
    std::function<bool(int)> m_columnEditable;
    QPointer<db::Dataset> m_shown; // the dataset the rows are of
    bool m_resetting = false;
    // While the rows are replaced: how many rows the views know of.
    std::optional<int> m_rowsInViews;
    QList<QMetaObject::Connection> m_lookupConnections;
    QList<QPointer<db::Dataset>> m_lookupDatasets; // the datasets they follow
};

} // namespace controls
