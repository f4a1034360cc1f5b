#pragma once
// The menu of the main window's "Отчёты" button: one item per document of the
// table of documents, each made from what is stored (the records typed but not
// yet posted are posted first) and shown in a preview. An item is disabled
// while a picker it needs is empty.
#include "controls/db_lookup_combo_box.h"

#include <QMenu>

#include <functional>

namespace reports {
struct DocumentKind;
}

namespace ui {

class ReportPreview;

class ReportsMenu : public QMenu {
    Q_OBJECT
public:
    struct Pickers {
        controls::DBLookupComboBox* year;
        controls::DBLookupComboBox* department;
        controls::DBLookupComboBox* teacher;
    };
    // `postPending` posts the records typed but not yet posted, throwing a
    // refusal; the document is then not made.
    ReportsMenu(const Pickers& pickers, std::function<void()> postPending, QWidget* parent);

    // The item of the document with this identifier; nullptr for none.
    QAction* action(const QString& identifier) const;

    // Enables each item as the pickers hold (also done before the menu shows).
    void updateActions();
    // Makes the document and shows the preview; nullptr when not made (a
    // failure is shown).
    ReportPreview* show(const QString& identifier);

private:
    bool pickersHold(const reports::DocumentKind& kind) const;

    Pickers m_pickers;
    std::function<void()> m_postPending;
};

} // namespace ui
