#include "ui/ask_to_save_pending.h"

#include "controls/dialogs.h"

namespace ui {

bool askToSavePending(const QList<db::Dataset*>& pending, bool offerCancel)
{
    if (pending.isEmpty())
        return true;
    QList<controls::Button> buttons{controls::Button::Yes, controls::Button::No};
    if (offerCancel)
        buttons << controls::Button::Cancel;
    const controls::Button answer =
        controls::ask({QStringLiteral("Уведомление"), QStringLiteral("Были сделаны изменения.\rВы хотите сохранить?"),
                       controls::Icon::Question, buttons});
    if (answer == controls::Button::Cancel && offerCancel)
        return false;
    for (db::Dataset* dataset : pending) {
        if (answer == controls::Button::Yes)
            dataset->post();
        else
            dataset->cancel();
    }
    return true;
}

} // namespace ui
