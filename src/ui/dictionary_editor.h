#pragma once
// The dictionary editor: one grid column and a record navigator over one of
// the five reference dictionaries, shown modally. As created it edits the
// speciality codes; the main window rebinds it for the other dictionaries.
#include "controls/db_grid.h"
#include "controls/db_navigator.h"
#include "controls/dialogs.h"

#include <QDialog>

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    controls::DBNavigator* DBNavigator1;
    controls::DBGridEh* DBGridEh1;

    // Runs whenever the editor is about to close, whatever closes it: a
    // pending change is posted or dropped as the user answers.
    void FormCloseQuery();

    void done(int result) override;

private:
    // The profile tables refer to the dictionaries through foreign keys, and
    // nothing refers to a profile row: here a foreign key refuses only the
    // delete of an entry in use.
    controls::ErrorWording m_entryInUse;
};

// The dictionary editor while it exists.
extern TForm2* Form2;
