#pragma once
// An unbound lookup box: shows the list field of the list source's row whose
// key field equals the box's key value, and lets the user pick another row
// from a drop-down list of the list source's rows, in their order.
//
// Selections (each raises selected(), also for the entry already shown): a
// click on an entry of the open list or Enter in it; Up or Down with the list
// closed (the previous or next entry, the first when nothing is chosen);
// closing the open list with Alt+Up or Alt+Down (accepts the highlighted
// entry); typing with the list closed (incremental search). Escape in the
// open list closes it without a selection; Alt+Up or Alt+Down opens it. With
// nothing chosen the list opens on its first entry, highlighted: Enter or
// closing takes it, and the first Down stays on it, as Down does with the
// list closed.
// A failure of what a selection or a key press runs is shown through the
// error display and goes no further.
//
// Incremental search: a character typed more than 2000 ms after the previous
// one typed in any lookup box starts the search text afresh, and so do the
// box getting the focus and its list being read again; Backspace and Escape
// clear it; at 32 characters further ones are ignored. The search text
// plus the typed character selects the first entry whose list text begins
// with it, ignoring case, and becomes the search text; with no such entry
// nothing is selected and the search text stays.
#include "db/data_source.h"

#include <QVariant>
#include <QWidget>

#include <functional>

class QListView;

namespace controls {

class DatasetModel;
class LookupPopup;

class DBLookupComboBox : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 kSearchPause = 2000; // ms
    static constexpr int kSearchLimit = 32;
    static constexpr int kDropDownRows = 7; // the open list's height, in entries at most

    // The clock of the incremental search, in milliseconds; tests set their own.
    using Clock = std::function<qint64()>;
    static void setClock(Clock clock);
    // Forgets the time of the last keystroke shared by all lookup boxes.
    static void resetSearchTime();

    explicit DBLookupComboBox(QWidget* parent = nullptr);
    ~DBLookupComboBox() override;

    void setListSource(db::DataSource* source);
    db::DataSource* listSource() const;
    void setKeyField(const QString& name);
    const QString& keyField() const { return m_keyField; }
    void setListField(const QString& name);
    const QString& listField() const { return m_listField; }

    // Runs before a selection by the user changes the key value, with the key
    // about to be chosen; throwing refuses the selection: the box keeps its
    // value, raises nothing, and the failure is shown.
    using SelectionCheck = std::function<void(const QVariant& key)>;
    void setSelectionCheck(SelectionCheck check) { m_selectionCheck = std::move(check); }

    // Null when nothing is chosen. Setting the value held changes nothing.
    QVariant keyValue() const { return m_key; }
    void setKeyValue(const QVariant& key);
    // The list text shown for the key value.
    QString text() const;
    const QString& searchText() const { return m_searchText; }

    bool isListVisible() const;
    void dropDown();
    // Closes the open list; with `accept` the highlighted entry is selected.
    void closeUp(bool accept);
    QListView* listView() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The key value changed, by the user or the program.
    void changed();
    // The user selected an entry (also the one already shown).
    void selected();
    // Every key press, before the box handles it (the key is not consumed).
    void keyPressed(QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class LookupPopup;

    int listRowCount() const;
    int rowOfKey() const;
    QVariant keyAt(int row) const;
    QString listTextAt(int row) const;
    bool listFieldIsText() const;
    void selectRow(int row);
    void step(int delta);
    // The row the search text with `typed` added matches, or -1; updates the
    // search text and the shared keystroke time.
    int searchRow(QChar typed);
    bool handlePopupKey(QKeyEvent* event);

    db::DataLink m_link;
    DatasetModel* m_model;
    LookupPopup* m_popup;
    QString m_keyField;
    QString m_listField;
    QVariant m_key;
    QString m_searchText;
    SelectionCheck m_selectionCheck;
    bool m_firstOffered = false; // the list opened on its first entry, nothing chosen
};

} // namespace controls
