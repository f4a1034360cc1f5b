#include "ui/reports_menu.h"

#include "controls/dialogs.h"
#include "data/data_module.h"
#include "reports/documents.h"
#include "reports/report_scope.h"
#include "ui/report_preview.h"

namespace ui {

ReportsMenu::ReportsMenu(const Pickers& pickers, std::function<void()> postPending, QWidget* parent)
    : QMenu(parent)
    , m_pickers(pickers)
    , m_postPending(std::move(postPending))
{
    setObjectName(QStringLiteral("ReportsMenu"));
    for (const reports::DocumentKind& kind : reports::documentKinds()) {
        QAction* item = addAction(kind.title, this, [this, identifier = kind.identifier] { show(identifier); });
        item->setData(kind.identifier);
    }
    connect(this, &QMenu::aboutToShow, this, &ReportsMenu::updateActions);
    updateActions();
}

QAction* ReportsMenu::action(const QString& identifier) const
{
    for (QAction* item : actions())
        if (item->data().toString() == identifier)
            return item;
    return nullptr;
}

bool ReportsMenu::pickersHold(const reports::DocumentKind& kind) const
{
    using reports::Picker;
    for (const auto& [picker, box] : {std::pair{Picker::Year, m_pickers.year},
                                      std::pair{Picker::Department, m_pickers.department},
                                      std::pair{Picker::Teacher, m_pickers.teacher}})
        if (kind.needs(picker) && box->keyValue().isNull())
            return false;
    return true;
}

void ReportsMenu::updateActions()
{
    for (const reports::DocumentKind& kind : reports::documentKinds())
        if (QAction* item = action(kind.identifier))
            item->setEnabled(pickersHold(kind));
}

ReportPreview* ReportsMenu::show(const QString& identifier)
{
    const reports::DocumentKind* kind = reports::findDocumentKind(identifier);
    if (!kind)
        return nullptr;
    ReportPreview* preview = nullptr;
    controls::guarded([&] {
        m_postPending();
        const auto year = reports::findYear(*DM_MB, m_pickers.year->keyValue());
        const auto department = reports::findDepartment(*DM_MB, m_pickers.department->keyValue());
        const auto teacher = reports::findTeacher(*DM_MB, m_pickers.teacher->keyValue());
        if (!year || !department || (kind->needs(reports::Picker::Teacher) && !teacher))
            return;
        const reports::DocumentScope scope{*year, *department, teacher, QDate::currentDate(), std::nullopt};
        preview = new ReportPreview(
            *kind, scope, [kind](const reports::DocumentScope& chosen) { return kind->make(*DM_MB->ADOCon, chosen); },
            parentWidget());
    });
    if (preview)
        preview->show();
    return preview;
}

} // namespace ui
