#include "signin/get_user_reply.h"

#include "db/errors.h"
#include "signin/text8.h"

namespace {

constexpr int kTermOfferedBelow = 20;
constexpr int kUpdateFrom = 2;

QString text(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

int ReplyInteger::value() const
{
    if (m_raw.isNull())
        return 0;
    bool ok = false;
    const int number = m_raw.toString().trimmed().toInt(&ok);
    if (!ok)
        throw db::DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(m_raw.toString()));
    return number;
}

TFirstConnectInfo GetUserReply::userConnection(TFirstConnectInfo settings) const
{
    settings.UserID = ShiftDecode(toText8(shiftedDatabaseLogin));
    settings.Password = ShiftDecode(toText8(shiftedDatabasePassword));
    return settings;
}

GetUserReply readGetUserReply(const db::ResultSet& result)
{
    if (result.rows.isEmpty())
        throw db::DatabaseError(QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                               "deleted. Requested operation requires a current record."));
    const QVector<QVariant>& row = result.rows.first();
    if (row.size() < kGetUserFieldCount)
        throw db::DatabaseError(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                               "requested name or ordinal."));
    return {text(row.at(0)), text(row.at(1)), ReplyInteger(row.at(3)), text(row.at(4)), ReplyInteger(row.at(5))};
}

SignInDecision decideSignIn(const GetUserReply& reply, uint8_t attempt)
{
    if (reply.updateFlag.value() >= kUpdateFrom)
        return SignInDecision::SelfUpdate;
    if (!reply.message.isEmpty())
        return SignInDecision::ShowServerMessage;
    const int term = reply.passwordTerm.value();
    if (term < 0)
        return SignInDecision::ForcePasswordChange;
    if (attempt == 1 && !reply.shiftedDatabaseLogin.isEmpty() && term < kTermOfferedBelow)
        return SignInDecision::OfferPasswordChange;
    return SignInDecision::Accept;
}
