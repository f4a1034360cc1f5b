#include "signin/sign_in_window.h"

#include "controls/application.h"

#include <QToolButton>

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , SpeedButton1(new QToolButton(this))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Аутентификация"));
    resize(497, 273);

    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(418, 199, 67, 22);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setCursor(Qt::PointingHandCursor);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm8::SpeedButton1Click);
}

void TForm8::SpeedButton1Click()
{
    controls::Application::instance()->terminate();
}
