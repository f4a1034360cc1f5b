#pragma once
// A data-bound memo: shows a text field of the current record of its data
// source and edits it. Typing puts the dataset into edit state and writes the
// text into the field at once (cut to the field's size); nothing is posted
// here. While the data source is inactive it is empty and takes no typing.
#include "db/data_source.h"

#include <QPlainTextEdit>
#include <QSet>

namespace db {
class Field;
}

namespace controls {

class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& name);
    const QString& dataField() const { return m_fieldName; }
    // Bound to an active data source with the field present.
    bool isActive() const { return field() != nullptr; }

signals:
    // Every key release (auto-repeat excluded) of a key pressed in the memo,
    // after the memo handled it. A release whose press went elsewhere (the
    // Enter that closed a message box) is not reported. A failure of what it
    // runs is shown through the error display.
    void keyReleased(QKeyEvent* event);
    // The focus went elsewhere in the window (not to a message box or menu
    // shown over it, nor to another window).
    void exited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    db::Field* field() const;
    bool canEdit() const;
    void prepareEdit();
    void loadFromField();
    void replaceText(const QString& text);
    void writeToField();
    void updateAccess();

    db::DataLink m_link;
    QString m_fieldName;
    bool m_loading = false;
    bool m_writing = false;
    QSet<int> m_pressedKeys; // pressed here and not yet released
};

} // namespace controls
