#include "data/embedded_get_user.h"

#include "db/embedded_server.h"
#include "db/errors.h"
#include "db/tsql_translation.h"
#include "platform/cp1251.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int kNewPasswordTermDays = 90;
// An update flag of this or more makes the program update itself instead of signing in.
constexpr int kUpdateFlag = 2;

// The character shift of the workstation's code page: every code minus one.
QString shiftedText(const QString& text)
{
    std::string bytes = platform::utf8ToCp1251(text.toStdString()).value_or(std::string());
    for (char& c : bytes)
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    return QString::fromStdString(platform::cp1251ToUtf8(bytes));
}

db::ResultSet resultRow(const QVariantList& values)
{
    db::ResultSet result;
    const char* names[] = {"db_login", "db_password", "id_QEL_user", "password_term", "message", "update_flag"};
    for (const char* name : names)
        result.columns.append({QString::fromLatin1(name), db::FieldType::Unknown, 0});
    result.rows.append(QVector<QVariant>(values.cbegin(), values.cend()));
    return result;
}

db::ResultSet refusal()
{
    return resultRow({QVariant(), QVariant(), QVariant(), 0, QStringLiteral("Неверный логин или пароль"), 0});
}

void storeNewPassword(QSqlDatabase& database, int userId, const QString& digest)
{
    QSqlQuery update(database);
    update.prepare(QStringLiteral("UPDATE QEL_User SET password_md5 = ?, password_term = ? WHERE id_QEL_user = ?"));
    update.addBindValue(digest);
    update.addBindValue(kNewPasswordTermDays);
    update.addBindValue(userId);
    if (!update.exec())
        throw db::DatabaseError(db::embeddedErrorText(update.lastError(), database.databaseName()));
}

db::ResultSet getUser(QSqlDatabase& database, const QVariantList& arguments)
{
    if (arguments.size() != 9)
        throw db::DatabaseError(QStringLiteral("Procedure or function 'GET_USER' expects 9 parameters, %1 supplied.")
                                    .arg(arguments.size()));
    QSqlQuery user(database);
    // The login matches as on the shared server: Cyrillic, without regard to case.
    user.prepare(QStringLiteral("SELECT id_QEL_user, password_md5, password_term, db_login, db_password, message, "
                                "update_flag FROM QEL_User WHERE QEL_login = ? COLLATE %1")
                     .arg(QLatin1String(db::tsql::kServerCollation)));
    user.addBindValue(arguments.at(0).toString());
    if (!user.exec())
        throw db::DatabaseError(db::embeddedErrorText(user.lastError(), database.databaseName()));
    if (!user.next() || user.value(1).toString().compare(arguments.at(1).toString(), Qt::CaseInsensitive) != 0)
        return refusal();

    const int userId = user.value(0).toInt();
    int term = user.value(2).toInt();
    const QVariant newDigest = arguments.at(2);
    if (!newDigest.isNull()) {
        storeNewPassword(database, userId, newDigest.toString().toUpper());
        term = kNewPasswordTermDays;
    }
    const QVariant message = user.value(5);
    const int updateFlag = user.value(6).isNull() ? 0 : user.value(6).toInt();
    // The per-user database pair opens every table: it goes only to a user
    // who may work now or is merely offered a new password, never with a
    // refusal, a forced change or an update.
    const bool refused = !message.toString().isEmpty() || updateFlag >= kUpdateFlag || term < 0;
    const QVariant login = refused ? QVariant() : QVariant(shiftedText(user.value(3).toString()));
    const QVariant password = refused ? QVariant() : QVariant(shiftedText(user.value(4).toString()));
    return resultRow({login, password, userId, term, message, updateFlag});
}

} // namespace

void registerEmbeddedGetUser()
{
    db::registerEmbeddedProcedure(QStringLiteral("GET_USER"), getUser);
}
