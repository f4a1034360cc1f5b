#include "ui/main_window.h"

#include "controls/application.h"
#include "data/data_module.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(const SignIn& signIn, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    resize(1494, 847);
    Form1 = this;
    if (DM_MB)
        DM_MB->setSession(this);
    FormCreate(signIn);
}

TForm1::~TForm1()
{
    if (DM_MB && DM_MB->session() == this)
        DM_MB->setSession(nullptr);
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate(const SignIn& signIn)
{
    if (!signIn())
        controls::Application::instance()->terminate();
}
