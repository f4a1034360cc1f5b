#pragma once
// The dictionary editor: one grid column and a record navigator over one of
// the five reference dictionaries, shown modally. As created it edits the
// speciality codes; the main window rebinds it for the other dictionaries.
#include "controls/db_grid.h"
#include "controls/db_navigator.h"
#include "controls/dialogs.h"

#include <QDialog>

#include <vector>

class TDM_MB;
namespace db {
class DataSource;
}

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

// One reference dictionary of the reference-books menu.
struct Dictionary {
    const char* title; // the menu item, and the editor's caption and column title
    // Its data source in the data module; null for the one the editor edits
    // as created (the speciality codes: caption, source and column unchanged).
    db::DataSource* TDM_MB::*source;
    const char* column;
    // Read afresh from the server each time the editor opens on it.
    bool readAfresh = false;
};

// The reference-books menu, in its order.
const std::vector<Dictionary>& dictionaries();

// Sets up the editor for the dictionary in the order the menu does it: the
// caption, a fresh read where the dictionary asks for one (a failure thrown),
// grid and navigator bound to its data source, the column's field and title.
void configureFor(TForm2& editor, const Dictionary& dictionary, TDM_MB& dataModule);
