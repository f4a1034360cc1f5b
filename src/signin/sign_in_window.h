#pragma once
// The sign-in window, shown modally while the main window is being created.
//
// So far it holds what start-up needs: the borderless window and its exit
// button, which requests termination. The boxes, the exchange with the server
// and the self-update are added with the sign-in itself.
#include <QDialog>

class QToolButton;

class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    QToolButton* SpeedButton1; // exit

private slots:
    void SpeedButton1Click();
};

// The sign-in window while it exists; cleared when it is destroyed.
extern TForm8* Form8;
