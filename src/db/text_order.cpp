#include "db/text_order.h"

#include <QCollator>
#include <QLocale>

namespace db {

int compareText(QStringView a, QStringView b)
{
    // A collator is not safe to share between threads; each keeps its own.
    thread_local const QCollator collator = [] {
        QCollator made(QLocale(QLocale::Russian, QLocale::Russia));
        made.setCaseSensitivity(Qt::CaseInsensitive);
        return made;
    }();
    return collator.compare(a, b);
}

} // namespace db
