#include "ui/table_export_menu.h"

#include "controls/dialogs.h"
#include "controls/table_export.h"
#include "reports/report_files.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>

namespace ui {

QString sectionFileName(const QString& section, const QString& teacher, const QString& extension)
{
    QString name = section;
    if (!teacher.trimmed().isEmpty())
        name += QStringLiteral(" - ") + teacher.trimmed();
    name.remove(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")));
    return name + extension;
}

TableExportMenu::TableExportMenu(controls::DBGridEh* grid, FileName suggestedFileName)
    : QObject(grid)
    , m_grid(grid)
    , m_suggestedFileName(std::move(suggestedFileName))
    , m_copy(new QAction(QStringLiteral("Копировать"), grid))
    , m_export(new QAction(QStringLiteral("Экспорт в CSV…"), grid))
{
    // Inside the grid and its cell editors; an editor's own Ctrl+C (its
    // selected text) comes first.
    m_copy->setShortcut(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_copy, &QAction::triggered, this, [this] { controls::guarded([this] { copy(); }); });
    connect(m_export, &QAction::triggered, this, [this] { exportCsv(); });
    grid->addAction(m_copy);
    grid->addAction(m_export);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TableExportMenu::copy() const
{
    QGuiApplication::clipboard()->setText(controls::copiedText(*m_grid));
}

bool TableExportMenu::exportCsv() const
{
    bool written = false;
    controls::guarded([&] {
        const QString name = m_suggestedFileName ? m_suggestedFileName() : QStringLiteral("Таблица.csv");
        const QString path = controls::askSaveFileName(QStringLiteral("Экспорт в CSV"), name,
                                                       QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty())
            return;
        QStringList titles;
        for (const controls::GridColumn& column : m_grid->columns())
            titles << column.title;
        reports::saveCsv(controls::tableCsv(*m_grid->datasetModel(), titles), path);
        written = true;
    });
    return written;
}

} // namespace ui
