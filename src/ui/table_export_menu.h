#pragma once
// A grid's context menu "Копировать" (also Ctrl+C) and "Экспорт в CSV…":
// the selected rows (or the current cell) to the clipboard, every row of the
// grid's dataset to a CSV file, under the grid's column titles.
#include "controls/db_grid.h"

#include <QObject>

class QAction;

namespace ui {

class TableExportMenu : public QObject {
    Q_OBJECT
public:
    // Owned by the grid.
    explicit TableExportMenu(controls::DBGridEh* grid, QString suggestedFileName = QStringLiteral("Таблица.csv"));

    QAction* copyAction() const { return m_copy; }
    QAction* exportAction() const { return m_export; }

    void copy() const;
    // Asks for the file and writes it; a failure is shown. True when written.
    bool exportCsv() const;

private:
    controls::DBGridEh* m_grid;
    QString m_suggestedFileName;
    QAction* m_copy;
    QAction* m_export;
};

} // namespace ui
