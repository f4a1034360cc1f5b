#pragma once
// A record navigator: a bar of ten buttons that moves through and edits the
// records of one data source. Button enabling follows the dataset's state,
// its beginning and end conditions and whether it can be modified. Its
// buttons never take the keyboard focus: a click leaves it where the user
// edits (the navigator itself is reached by Tab).
#include "db/data_source.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QToolButton;

namespace controls {

class NavigatorButton;

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum NavigateButton {
        nbFirst = 0x001,
        nbPrior = 0x002,
        nbNext = 0x004,
        nbLast = 0x008,
        nbInsert = 0x010,
        nbDelete = 0x020,
        nbEdit = 0x040,
        nbPost = 0x080,
        nbCancel = 0x100,
        nbRefresh = 0x200,
    };
    Q_DECLARE_FLAGS(NavigateButtons, NavigateButton)
    Q_FLAG(NavigateButtons)

    static constexpr int kButtonCount = 10;
    // The buttons in their order on the bar.
    static constexpr std::array<NavigateButton, kButtonCount> kButtonOrder{
        nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh};
    static NavigateButtons allButtons();

    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_link.dataSource(); }

    void setVisibleButtons(NavigateButtons buttons);
    NavigateButtons visibleButtons() const { return m_visible; }
    // One text per button in bar order; missing texts leave a button without hint.
    void setHints(const QStringList& hints);
    const QStringList& hints() const { return m_hints; }
    void setShowHint(bool show);
    bool showHint() const { return m_showHint; }
    // Asks before deleting (on by default).
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    bool confirmDelete() const { return m_confirmDelete; }

    // The button itself (object name "nbFirst" ... "nbRefresh").
    QToolButton* button(NavigateButton which) const;
    // Does what clicking the button does, whether or not it is enabled; a
    // refusal is thrown (a click shows it through the error display).
    void clickButton(NavigateButton which);
    // The button that Space clicks while the navigator has the focus.
    NavigateButton focusedButton() const;

    QSize sizeHint() const override;

signals:
    // After a button's action has been done.
    void clicked(controls::DBNavigator::NavigateButton button);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static int indexOf(NavigateButton which);
    void updateButtons();
    void updateHints();
    void moveFocus(int step);
    void setFocusedIndex(int index);

    db::DataLink m_link;
    std::array<NavigatorButton*, kButtonCount> m_buttons{};
    NavigateButtons m_visible;
    QStringList m_hints;
    bool m_showHint = false;
    bool m_confirmDelete = true;
    int m_focused = 0;
};

} // namespace controls

Q_DECLARE_OPERATORS_FOR_FLAGS(controls::DBNavigator::NavigateButtons)
