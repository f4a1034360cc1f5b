#include "ui/ui_style.h"


#include <QLabel>

namespace ui {

// The weight is set too, so that no bold caption of a parent leaks into it.
QFont windowFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setWeight(QFont::Normal);
    return font;
}

QFont boldFont()
{
    QFont font = windowFont();
    font.setBold(true);
    return font;
}

QLabel* captionLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setFont(boldFont());
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(x, y);
    label->adjustSize();
    return label;
}

controls::DBNavigator::NavigateButtons standardButtons()
{
    using N = controls::DBNavigator;
    return N::nbFirst | N::nbPrior | N::nbNext | N::nbLast | N::nbInsert | N::nbDelete | N::nbPost | N::nbCancel;
}

const QStringList& navigatorHints()
{
    static const QStringList hints = {
        QStringLiteral("Первая запись"),          QStringLiteral("Предыдущая запись"),
        QStringLiteral("Следующая запись"),       QStringLiteral("Последняя запись"),
        QStringLiteral("Вставить новую запись"),  QStringLiteral("Удалить текущую запись"),
        QStringLiteral("Редактировать текущую запись"), QStringLiteral("Сохранить"),
        QStringLiteral("Отменить отредактированные даные"), QStringLiteral("Refresh data"),
    };
    return hints;
}

controls::DBNavigator* makeNavigator(QWidget* parent, const QRect& geometry, bool hints)
{
    auto* navigator = new controls::DBNavigator(parent);
    navigator->setGeometry(geometry);
    navigator->setVisibleButtons(standardButtons());
    if (hints) {
        navigator->setHints(navigatorHints());
        navigator->setShowHint(true);
    }
    return navigator;
}

void focusGridOnEdit(controls::DBNavigator* navigator, controls::DBGridEh* grid)
{
    using N = controls::DBNavigator;
    QObject::connect(navigator, &N::clicked, grid, [grid](N::NavigateButton button) {
        if (button == N::nbInsert || button == N::nbEdit)
            grid->focusFirstEditableCell();
    });
}

} // namespace ui
