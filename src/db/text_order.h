#pragma once
// The order in which the shared server compares texts: Cyrillic, without
// regard to case ("Demo" equals "demo"), letters with marks beside their base
// letter ("Ёлка" between "Елена" and "Ж"). The embedded server compares with
// it, and datasets sort with it, so both agree with the server.
#include <QStringView>

namespace db {

// Negative, zero or positive as a sorts before, with or after b.
int compareText(QStringView a, QStringView b);

} // namespace db
