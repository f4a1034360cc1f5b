#include "signin/text8.h"

#include "platform/cp1251.h"

std::string toText8(const QString& text)
{
    return platform::utf8ToCp1251Lossy(text.toStdString());
}

bool fitsText8(const QString& text)
{
    return platform::utf8ToCp1251(text.toStdString()).has_value();
}

QString fromText8(const std::string& bytes)
{
    return QString::fromStdString(platform::cp1251ToUtf8(bytes));
}
