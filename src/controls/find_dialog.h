#pragma once
// The find dialog of the grids: one instance serves every grid; it is made at
// its first use and kept. "Find next" moves the grid's current cell to the
// next cell that matches.
//
// Search rules: the cells searched are those of the chosen column, or of all
// columns, row by row and left to right. "Down" starts at the cell after the
// current one and stops at the last; "Up" goes backwards from the cell before
// the current one; "All" goes forward from the cell after the current one,
// wraps around, and ends with the current cell itself. "Match Format"
// compares the text as the grid shows it, otherwise the raw value's text.
// "Match Case" compares case-sensitively.
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace controls {

class DBGridEh;

class FindDialog : public QDialog {
    Q_OBJECT
public:
    // The one dialog, made on first use.
    static FindDialog* instance();
    // Whether it has been made yet.
    static bool exists();

    // Presets the column to the grid's current one and shows the dialog.
    void showFor(DBGridEh* grid);
    DBGridEh* grid() const { return m_grid; }

    enum class Match { AnyPart, WholeField, FromBeginning };
    enum class Direction { Up, Down, All };

    // The cell (row, column) of the next match from the grid's current cell,
    // or (-1, -1).
    QPair<int, int> findNextCell() const;
    // Moves the grid to the next match, or shows that there is none.
    void findNext();
    // Closed while it has the focus, it gives the focus back to its grid.
    void done(int result) override;

private:
    FindDialog();
    bool matches(const QString& cellText) const;

    QPointer<DBGridEh> m_grid;
    QLineEdit* m_findWhat;
    QComboBox* m_findIn;
    QComboBox* m_match;
    QComboBox* m_search;
    QCheckBox* m_matchCase;
    QCheckBox* m_matchFormat;
    QPushButton* m_findNext;
    QPushButton* m_close;
};

} // namespace controls
