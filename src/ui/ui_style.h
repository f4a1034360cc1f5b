#pragma once
// Fonts and small builders shared by the windows.
#include "controls/db_grid.h"
#include "controls/db_navigator.h"

#include <QFont>
#include <QStringList>

class QLabel;
class QWidget;

namespace ui {

// The windows' font: MS Sans Serif, 8 points.
QFont windowFont();
QFont boldFont();

// A transparent bold caption at a position.
QLabel* captionLabel(QWidget* parent, const QString& text, int x, int y);

// The eight buttons every navigator of the program shows.
controls::DBNavigator::NavigateButtons standardButtons();
// The ten hints the program sets, in button order.
const QStringList& navigatorHints();
// A navigator with the standard buttons and, when `hints`, the hints shown.
controls::DBNavigator* makeNavigator(QWidget* parent, const QRect& geometry, bool hints);
// After the navigator's insert or edit the focus goes into the grid's first
// editable cell of that record, so that typing lands in it.
void focusGridOnEdit(controls::DBNavigator* navigator, controls::DBGridEh* grid);

} // namespace ui
