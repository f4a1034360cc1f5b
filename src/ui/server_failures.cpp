#include "ui/server_failures.h"

#include "controls/dialogs.h"
#include "data/data_module.h"
#include "data/session_loading.h"
#include "db/errors.h"

#include <QApplication>
#include <QScopedValueRollback>

namespace ui {

ServerFailures::ServerFailures(TDM_MB& dataModule, std::function<void()> afterReconnect)
    : m_dataModule(dataModule)
    , m_afterReconnect(std::move(afterReconnect))
{
    controls::installFailureHandler([this](const std::exception& failure) { return handle(failure); });
}

ServerFailures::~ServerFailures()
{
    controls::installFailureHandler({});
}

bool ServerFailures::handle(const std::exception& failure)
{
    const auto* error = dynamic_cast<const db::DatabaseError*>(&failure);
    if (!error)
        return false;
    switch (error->kind()) {
    case db::DatabaseError::Kind::ConnectionLost:
        // The question already open stands for this failure too.
        if (!m_asking)
            offerReconnection();
        return true;
    case db::DatabaseError::Kind::RowChanged:
        if (auto* dataset = qobject_cast<db::Dataset*>(error->dataset()); dataset && dataset->isEditing()) {
            offerReread(*dataset);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void ServerFailures::offerReconnection()
{
    const QScopedValueRollback asking(m_asking, true);
    if (controls::ask({QApplication::applicationName(), QString::fromUtf8(kConnectionLostQuestion),
                       controls::Icon::Warning, {controls::Button::Yes, controls::Button::No}})
        != controls::Button::Yes)
        return;
    try {
        resumeSession(m_dataModule);
        if (m_afterReconnect)
            m_afterReconnect();
    } catch (const std::exception& error) {
        controls::showError(QString::fromUtf8(kReconnectFailed) + QString::fromUtf8(error.what()));
    }
}

void ServerFailures::offerReread(db::Dataset& dataset)
{
    const controls::Button answer =
        controls::ask({QApplication::applicationName(), QString::fromUtf8(kRowChangedQuestion),
                       controls::Icon::Warning, {controls::Button::Yes, controls::Button::No}});
    if (answer != controls::Button::Yes)
        return;
    // The record's own failures (a lost connection, say) are offered in turn.
    controls::guarded([&] {
        dataset.cancel();
        dataset.refresh();
    });
}

} // namespace ui
