#pragma once
// A grid's context menu "Копировать" (also Ctrl+C) and "Экспорт в CSV…":
// the selected rows (or the current cell) to the clipboard, every row of the
// grid's dataset to a CSV file, under the grid's column titles.
#include "controls/db_grid.h"

#include <QObject>

#include <functional>

class QAction;

namespace ui {

// "Section - Teacher.csv" for `extension` ".csv": a file name offered for what
// a section shows of a teacher (the section alone without one), with the
// characters a file name may not hold left out.
QString sectionFileName(const QString& section, const QString& teacher, const QString& extension);

class TableExportMenu : public QObject {
    Q_OBJECT
public:
    // The name the export offers, asked for at each export (it may name
    // what the grid shows at the time).
    using FileName = std::function<QString()>;
    // Owned by the grid.
    explicit TableExportMenu(controls::DBGridEh* grid, FileName suggestedFileName = {});

    QAction* copyAction() const { return m_copy; }
    QAction* exportAction() const { return m_export; }

    void copy() const;
    // Asks for the file and writes it; a failure is shown. True when written.
    bool exportCsv() const;

private:
    controls::DBGridEh* m_grid;
    FileName m_suggestedFileName;
    QAction* m_copy;
    QAction* m_export;
};

} // namespace ui
