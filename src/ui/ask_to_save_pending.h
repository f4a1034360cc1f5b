#pragma once
// The unsaved-changes question of the main window and the dictionary editor.
#include "db/dataset.h"

#include <QList>

namespace ui {

// When `pending` holds records with unsaved changes, asks "Были сделаны
// изменения.\rВы хотите сохранить?" (caption "Уведомление"): Yes posts them (a
// refusal is thrown, the rest stay pending), No cancels them. With
// `offerCancel` Cancel is offered too: it leaves everything as it is and the
// result is false.
bool askToSavePending(const QList<db::Dataset*>& pending, bool offerCancel);

} // namespace ui
