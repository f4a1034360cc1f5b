#include "controls/find_dialog.h"

#include "controls/db_grid.h"
#include "controls/dialogs.h"
#include "controls/column_layout.h"

#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace controls {
namespace {

FindDialog*& theDialog()
{
    static FindDialog* dialog = nullptr;
    return dialog;
}

// Goes with the application object, before the widgets' world ends.
void destroyDialog()
{
    delete theDialog();
    theDialog() = nullptr;
}

template <typename W>
W* place(W* widget, int x, int y, int width, int height, const char* name)
{
    widget->setGeometry(x, y, width, height);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const QString& text, QWidget* buddy, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

FindDialog* FindDialog::instance()
{
    if (!theDialog()) {
        theDialog() = new FindDialog;
        qAddPostRoutine(destroyDialog);
    }
    return theDialog();
}

bool FindDialog::exists()
{
    return theDialog() != nullptr;
}

FindDialog::FindDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find text"));
    setFixedSize(505, 124);
    setSizeGripEnabled(false);

    m_findWhat = place(new QLineEdit(this), 88, 8, 313, 21, "findWhat");
    m_findIn = place(new QComboBox(this), 88, 36, 150, 21, "findIn");
    m_match = place(new QComboBox(this), 88, 64, 150, 21, "match");
    m_search = place(new QComboBox(this), 88, 92, 150, 21, "search");
    m_matchCase = place(new QCheckBox(QStringLiteral("Match &Case"), this), 252, 38, 149, 17, "matchCase");
    m_matchFormat = place(new QCheckBox(QStringLiteral("Match F&ormat"), this), 252, 66, 149, 17, "matchFormat");
    m_findNext = place(new QPushButton(QStringLiteral("&Find next"), this), 412, 8, 85, 25, "findNext");
    m_close = place(new QPushButton(QStringLiteral("Close"), this), 412, 40, 85, 25, "close");
    label(this, QStringLiteral("Fi&nd What:"), m_findWhat, 8, 11);
    label(this, QStringLiteral("Find &in:"), m_findIn, 8, 39);
    label(this, QStringLiteral("Matc&h:"), m_match, 8, 67);
    label(this, QStringLiteral("Sea&rch:"), m_search, 8, 95);

    m_match->addItems({QStringLiteral("From any part of field"), QStringLiteral("Whole field"),
                       QStringLiteral("From beging of field")});
    m_match->setCurrentIndex(0);
    m_search->addItems({QStringLiteral("Up"), QStringLiteral("Down"), QStringLiteral("All")});
    m_search->setCurrentIndex(2);
    // The three boxes share one width, wide enough for the longest choice;
    // the check boxes follow them.
    const int boxWidth = std::max({150, m_match->sizeHint().width(), m_search->sizeHint().width()});
    for (QComboBox* box : {m_findIn, m_match, m_search})
        box->resize(boxWidth, box->height());
    const int checksLeft = m_match->geometry().right() + 14;
    for (QCheckBox* check : {m_matchCase, m_matchFormat})
        check->setGeometry(checksLeft, check->y(), m_findNext->x() - 8 - checksLeft, check->height());
    m_matchCase->setChecked(false);
    m_matchFormat->setChecked(true);
    m_findNext->setDefault(true);

    connect(m_findNext, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
}

// A window manager would activate some window once the dialog has gone,
// not necessarily the grid's; without one none would be.
void FindDialog::done(int result)
{
    const bool hadFocus = isActiveWindow();
    QDialog::done(result);
    if (hadFocus && m_grid && m_grid->isVisible()) {
        m_grid->activateWindow();
        m_grid->setFocus(Qt::ActiveWindowFocusReason);
    }
}

void FindDialog::showFor(DBGridEh* grid)
{
    m_grid = grid;
    m_findIn->clear();
    m_findIn->addItem(QStringLiteral("<All>"));
    // A title of several levels is offered by its lowest level, the levels
    // above following as context: the columns under one upper title differ
    // at once, also in the closed box.
    int widest = 0;
    for (const GridColumn& column : grid->columns()) {
        QStringList levels = grid_layout::titleLevels(column.title, grid->useMultiTitle());
        QString text = levels.takeLast().trimmed();
        if (!levels.isEmpty())
            text += QStringLiteral(" (") + levels.join(QStringLiteral(" / ")) + QLatin1Char(')');
        m_findIn->addItem(text);
        widest = std::max(widest, m_findIn->fontMetrics().horizontalAdvance(text));
    }
    m_findIn->view()->setMinimumWidth(widest + 2 * m_findIn->view()->frameWidth() + 8);
    const int current = grid->currentColumn();
    m_findIn->setCurrentIndex(current >= 0 ? current + 1 : 0);
    if (const QScreen* screen = grid->screen() ? grid->screen() : QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    m_findWhat->setFocus();
    m_findWhat->selectAll();
}

bool FindDialog::matches(const QString& cellText) const
{
    const QString wanted = m_findWhat->text();
    const Qt::CaseSensitivity cs = m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    switch (Match(m_match->currentIndex())) {
    case Match::AnyPart: return cellText.contains(wanted, cs);
    case Match::WholeField: return cellText.compare(wanted, cs) == 0;
    case Match::FromBeginning: return cellText.startsWith(wanted, cs);
    }
    return false;
}

QPair<int, int> FindDialog::findNextCell() const
{
    const QPair<int, int> none(-1, -1);
    if (!m_grid || m_findWhat->text().isEmpty())
        return none;
    const int rows = m_grid->datasetModel()->rowCount();
    const int onlyColumn = m_findIn->currentIndex() - 1; // -1: every column
    const int columns = onlyColumn >= 0 ? 1 : m_grid->columnCount();
    const qint64 cells = qint64(rows) * columns;
    if (cells == 0)
        return none;
    // Cells are numbered row by row over the columns searched.
    const QModelIndex current = m_grid->currentIndex();
    const int currentColumn = onlyColumn >= 0 ? 0 : std::max(0, current.column());
    const qint64 start = current.isValid() ? qint64(current.row()) * columns + currentColumn : -1;
    const Direction direction = Direction(m_search->currentIndex());
    const bool formatted = m_matchFormat->isChecked();
    auto cellAt = [&](qint64 n) {
        return QPair<int, int>(int(n / columns), onlyColumn >= 0 ? onlyColumn : int(n % columns));
    };
    auto test = [&](qint64 n) {
        const auto [row, column] = cellAt(n);
        return matches(m_grid->cellText(row, column, formatted));
    };
    switch (direction) {
    case Direction::Down:
        for (qint64 n = start + 1; n < cells; ++n)
            if (test(n))
                return cellAt(n);
        break;
    case Direction::Up:
        for (qint64 n = (start < 0 ? cells : start) - 1; n >= 0; --n)
            if (test(n))
                return cellAt(n);
        break;
    case Direction::All:
        for (qint64 step = 1; step <= cells; ++step) {
            const qint64 n = (std::max<qint64>(start, -1) + step + cells) % cells;
            if (test(n))
                return cellAt(n);
        }
        break;
    }
    return none;
}

void FindDialog::findNext()
{
    if (!m_grid)
        return;
    const auto [row, column] = findNextCell();
    if (row < 0) {
        showInformation(QApplication::applicationName(),
                        QStringLiteral("String \"%1\" not found.").arg(m_findWhat->text()));
        return;
    }
    m_grid->setCurrentCell(row, column);
}

} // namespace controls
