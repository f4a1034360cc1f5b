#include "ui/reports_menu.h"

#include "controls/dialogs.h"
#include "data/data_module.h"
#include "data/report_document.h"
#include "data/report_scope.h"
#include "ui/report_preview.h"

namespace ui {

ReportsMenu::ReportsMenu(const Pickers& pickers, std::function<void()> postPending, QWidget* parent)
    : QMenu(parent)
    , m_pickers(pickers)
    , m_postPending(std::move(postPending))
{
    setObjectName(QStringLiteral("ReportsMenu"));
    ProfileAction = addAction(QStringLiteral("Профиль преподавателя"), this, [this] { showProfile(); });
    PublicationsAction = addAction(QStringLiteral("Публикации кафедры за год"), this, [this] { showPublications(); });
    connect(this, &QMenu::aboutToShow, this, &ReportsMenu::updateActions);
    updateActions();
}

void ReportsMenu::updateActions()
{
    const bool department = !m_pickers.year->keyValue().isNull() && !m_pickers.department->keyValue().isNull();
    PublicationsAction->setEnabled(department);
    ProfileAction->setEnabled(department && !m_pickers.teacher->keyValue().isNull());
}

ReportPreview* ReportsMenu::showDocument(const std::function<ReportPreview*()>& make)
{
    ReportPreview* preview = nullptr;
    controls::guarded([&] {
        m_postPending();
        preview = make();
    });
    if (preview)
        preview->show();
    return preview;
}

ReportPreview* ReportsMenu::showProfile()
{
    return showDocument([this]() -> ReportPreview* {
        const auto year = reports::findYear(*DM_MB, m_pickers.year->keyValue());
        const auto department = reports::findDepartment(*DM_MB, m_pickers.department->keyValue());
        const auto teacher = reports::findTeacher(*DM_MB, m_pickers.teacher->keyValue());
        if (!year || !department || !teacher)
            return nullptr;
        const reports::TeacherProfile profile =
            reports::readTeacherProfile(*DM_MB->ADOCon, *teacher, *department, *year, QDate::currentDate());
        return new ReportPreview(reports::makeProfileDocument(profile), reports::profileFileName(profile),
                                 parentWidget());
    });
}

ReportPreview* ReportsMenu::showPublications()
{
    return showDocument([this]() -> ReportPreview* {
        const auto year = reports::findYear(*DM_MB, m_pickers.year->keyValue());
        const auto department = reports::findDepartment(*DM_MB, m_pickers.department->keyValue());
        if (!year || !department)
            return nullptr;
        const reports::DepartmentPublications publications =
            reports::readDepartmentPublications(*DM_MB->ADOCon, *department, *year, QDate::currentDate());
        return new ReportPreview(reports::makePublicationsDocument(publications),
                                 reports::publicationsFileName(publications), parentWidget());
    });
}

} // namespace ui
