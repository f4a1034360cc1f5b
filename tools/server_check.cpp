#include "server_check.h"

#include "data/embedded_get_user.h"
#include "data/schema.h"
#include "db/errors.h"
#include "signin/get_user_reply.h"
#include "signin/sign_in_exchange.h"
#include "signin/text8.h"
#include "user_sign_in.h"

#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <variant>

namespace server_check {
namespace {

// What the check accepts for a column.
enum class Need {
    Integer,  // a 32-bit integer
    Identity, // a 32-bit integer the server assigns
    SmallInt, // a 16-bit integer or wider
    Text,     // 8-bit or Unicode text of at least the size
    WideText, // Unicode text of at least the size
    Date,     // a date, with or without time
    DateTime, // a date with time
    Any,      // only the name is fixed
};

// What the program needs of a column: the type its field definition gives
// it, and an identity where the server assigns the table's keys.
Need needOf(const schema::Table& table, const schema::Column& column)
{
    if (column.key && table.serverAssignsKeys)
        return Need::Identity;
    if (!column.type)
        return Need::Any;
    switch (*column.type) {
    case db::FieldType::Integer: return Need::Integer;
    case db::FieldType::AutoIncrement: return Need::Identity;
    case db::FieldType::SmallInt: return Need::SmallInt;
    case db::FieldType::String: return Need::Text;
    case db::FieldType::WideString: return Need::WideText;
    case db::FieldType::Date: return Need::Date;
    case db::FieldType::DateTime: return Need::DateTime;
    case db::FieldType::BigInt:
    case db::FieldType::Float:
    case db::FieldType::Unknown: break; // no column of the schema is any of these
    }
    return Need::Any;
}

// The key column of a table whose keys the server assigns; empty where the
// program names none.
QString identityKeyOf(const schema::Table& table)
{
    for (const schema::Column& column : table.columns)
        if (needOf(table, column) == Need::Identity)
            return QLatin1String(column.name);
    return QString();
}

// Columns of QEL_User that only GET_USER may read.
const QStringList kSecretColumns = {QStringLiteral("password_md5"), QStringLiteral("db_login"),
                                    QStringLiteral("db_password")};

QString describe(Need need, int size)
{
    switch (need) {
    case Need::Integer: return QStringLiteral("an integer");
    case Need::Identity: return QStringLiteral("an integer identity");
    case Need::SmallInt: return QStringLiteral("a small integer");
    case Need::Text: return QStringLiteral("text of at least %1 characters").arg(size);
    case Need::WideText: return QStringLiteral("Unicode text (nvarchar) of at least %1 characters").arg(size);
    case Need::Date: return QStringLiteral("a date");
    case Need::DateTime: return QStringLiteral("a date with time");
    case Need::Any: break;
    }
    return QStringLiteral("any type");
}

QString describe(const db::ColumnInfo& column)
{
    switch (column.type) {
    case db::FieldType::Integer: return QStringLiteral("an integer");
    case db::FieldType::AutoIncrement: return QStringLiteral("an integer identity");
    case db::FieldType::SmallInt: return QStringLiteral("a small integer");
    case db::FieldType::BigInt: return QStringLiteral("a 64-bit integer");
    case db::FieldType::Float: return QStringLiteral("a number with a fraction");
    case db::FieldType::String:
        return column.size > 0 ? QStringLiteral("8-bit text of %1 characters").arg(column.size)
                               : QStringLiteral("8-bit text");
    case db::FieldType::WideString:
        return column.size > 0 ? QStringLiteral("Unicode text of %1 characters").arg(column.size)
                               : QStringLiteral("Unicode text");
    case db::FieldType::Date: return QStringLiteral("a date");
    case db::FieldType::DateTime: return QStringLiteral("a date with time");
    case db::FieldType::Unknown: break;
    }
    return QStringLiteral("a type the program does not know");
}

// Size 0 is a text without limit (varchar(max), SQLite's TEXT).
bool longEnough(const db::ColumnInfo& column, int size)
{
    return column.size == 0 || column.size >= size;
}

bool fits(const db::ColumnInfo& column, Need need, int size)
{
    using db::FieldType;
    switch (need) {
    case Need::Integer:
    case Need::Identity: return db::isIntegerType(column.type) && column.type != FieldType::SmallInt;
    case Need::SmallInt: return db::isIntegerType(column.type);
    case Need::Text: return db::isTextType(column.type) && longEnough(column, size);
    case Need::WideText: return column.type == FieldType::WideString && longEnough(column, size);
    case Need::Date: return column.type == FieldType::Date || column.type == FieldType::DateTime;
    case Need::DateTime: return column.type == FieldType::DateTime;
    case Need::Any: return true;
    }
    return false;
}

// Whether a statement runs; the server's refusal otherwise.
std::optional<QString> refusalOf(db::Connection& connection, const QString& statement)
{
    try {
        connection.query(statement);
        return std::nullopt;
    } catch (const db::DatabaseError& error) {
        return error.message();
    }
}

QString joined(const QStringList& items)
{
    return items.join(QStringLiteral("; "));
}

// The first three, and how many more.
QString shortened(const QStringList& items)
{
    if (items.size() <= 3)
        return joined(items);
    return QStringLiteral("%1 and %2 more").arg(joined(items.mid(0, 3))).arg(items.size() - 3);
}

class Checker {
public:
    Checker(const Target& target, const std::function<void(const Line&)>& report)
        : m_target(target)
        , m_report(report)
    {
    }

    std::vector<Line> run()
    {
        registerEmbeddedGetUser();
        std::unique_ptr<db::Connection> user = m_target.backendFactory ? openDirectly() : signIn();
        // What is checked over the user's own login, in this order; the
        // tables first, as the later checks skip what they found missing.
        using Check = void (Checker::*)(db::Connection&);
        static constexpr Check kChecks[] = {&Checker::checkTables, &Checker::checkForeignKeys,
                                            &Checker::checkCollations, &Checker::checkUserRights,
                                            &Checker::checkDuplicateLogins};
        if (user)
            for (const Check check : kChecks)
                (this->*check)(*user);
        return std::move(m_lines);
    }

private:
    void add(Outcome outcome, const QString& text)
    {
        m_lines.push_back({outcome, text});
        if (m_report)
            m_report(m_lines.back());
    }
    void check(bool passed, const QString& text, const QString& whyNot = QString())
    {
        add(passed ? Outcome::Passed : Outcome::Failed, passed || whyNot.isEmpty() ? text : text + QStringLiteral(": ") + whyNot);
    }

    std::unique_ptr<db::Connection> connection(const TFirstConnectInfo& info)
    {
        auto result = std::make_unique<db::Connection>();
        if (m_target.backendFactory)
            result->setBackendFactory(m_target.backendFactory);
        result->setConnectionString(fromText8(BuildConnectionString(info)));
        return result;
    }

    QString where() const
    {
        return QStringLiteral("database %1 on %2")
            .arg(fromText8(m_target.settings.InitialCatalog), fromText8(m_target.settings.DataSource));
    }

    std::unique_ptr<db::Connection> openDirectly()
    {
        auto user = connection(m_target.settings);
        try {
            user->open();
        } catch (const db::DatabaseError& error) {
            check(false, QStringLiteral("A connection opens to %1").arg(where()), error.message());
            return nullptr;
        }
        check(true, QStringLiteral("A connection opens to %1").arg(where()));
        add(Outcome::NotApplicable,
            QStringLiteral("Logins, GET_USER and permissions: not applicable, this database has no logins or stored "
                           "procedures"));
        return user;
    }

    // As the program signs in (SignInExchange): the settings file's login,
    // GET_USER, then the user's own database login, on one connection.
    std::unique_ptr<db::Connection> signIn()
    {
        const QString gatewayLogin = fromText8(m_target.settings.UserID);
        const QString gatewayText = QStringLiteral("The gateway login \"%1\" connects to %2").arg(gatewayLogin, where());
        auto connected = connection(m_target.settings);
        SignInExchange exchange(*connected, m_target.settings);
        if (const std::optional<QString> refusal = exchange.connectGateway()) {
            check(false, gatewayText, *refusal);
            return nullptr;
        }
        check(true, gatewayText);

        const Workstation workstation = tool::thisWorkstation();
        const QString userLogin = fromText8(m_target.userLogin);
        db::ResultSet row;
        try {
            row = exchange.askGetUserRows(request(m_target.userLogin, m_target.userPassword), workstation);
        } catch (const std::exception& error) {
            check(false, QStringLiteral("The gateway login may run GET_USER"), QString::fromUtf8(error.what()));
            return nullptr;
        }
        check(true, QStringLiteral("The gateway login may run GET_USER"));
        checkGatewayRights(*connected);
        checkRefusedUser(exchange, workstation);
        const bool sixColumns = !row.rows.isEmpty() && row.columns.size() == kGetUserFieldCount
                             && row.rows.first().size() == kGetUserFieldCount;
        check(sixColumns, QStringLiteral("GET_USER returns one row of six columns"),
              row.rows.isEmpty() ? QStringLiteral("it returned no row")
                                 : QStringLiteral("it returned %1 columns").arg(row.columns.size()));
        if (!sixColumns)
            return nullptr;

        const GetUserReply reply = readGetUserReply(row);
        std::optional<QString> refusal;
        try {
            refusal = tool::refusalOf(decideSignIn(reply, 1), reply);
        } catch (const db::DatabaseError& error) {
            refusal = error.message();
        }
        check(!refusal, QStringLiteral("GET_USER accepts the test user \"%1\"").arg(userLogin),
              QStringLiteral("it answered \"%1\"").arg(refusal.value_or(QString())));
        const bool hasLogin = !reply.shiftedDatabaseLogin.isEmpty();
        check(hasLogin, QStringLiteral("GET_USER hands out a database login for \"%1\"").arg(userLogin),
              QStringLiteral("column 1 (the user's database login) is empty"));
        if (refusal || !hasLogin)
            return nullptr;

        const QString databaseLogin = fromText8(reply.userConnection(m_target.settings).UserID);
        try {
            exchange.connectAsUser(reply);
        } catch (const db::DatabaseError& error) {
            check(false, QStringLiteral("The user's database login \"%1\" connects").arg(databaseLogin),
                  error.message());
            return nullptr;
        }
        check(true, QStringLiteral("The user's database login \"%1\" connects").arg(databaseLogin));
        return connected;
    }

    static SignInRequest request(const std::string& login, const std::string& password)
    {
        return {fromText8(login), fromText8(password), QStringLiteral("NULL")};
    }

    void checkRefusedUser(SignInExchange& exchange, const Workstation& workstation)
    {
        if (m_target.refusedLogin.empty())
            return;
        const QString login = fromText8(m_target.refusedLogin);
        try {
            const Line verdict = refusedUserVerdict(
                login, exchange.askGetUserRows(request(m_target.refusedLogin, m_target.refusedPassword), workstation));
            add(verdict.outcome, verdict.text);
        } catch (const std::exception& error) {
            check(false, QStringLiteral("GET_USER refuses \"%1\" and hands out no database login").arg(login),
                  QString::fromUtf8(error.what()));
        }
    }

    // Logins that differ only in letter case are one login to the server's
    // comparison, and GET_USER could not tell their users apart.
    void checkDuplicateLogins(db::Connection& user)
    {
        const QString text = QStringLiteral("No login of QEL_User is there twice");
        // The embedded server groups in its own binary order unless told the
        // shared server's collation; SQL Server groups in the column's.
        const QString uniform = user.backend().uniformCollation();
        const QString collation = uniform.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + uniform;
        try {
            const db::ResultSet result = user.query(
                QStringLiteral("SELECT QEL_login FROM QEL_User GROUP BY QEL_login%1 HAVING COUNT(*) > 1").arg(collation));
            QStringList duplicates;
            for (const auto& row : result.rows)
                duplicates << QStringLiteral("\"%1\"").arg(row.value(0).toString());
            check(duplicates.isEmpty(), text, QStringLiteral("these are: %1").arg(joined(duplicates)));
        } catch (const db::DatabaseError& error) {
            check(false, text, error.message());
        }
    }

    void checkGatewayRights(db::Connection& gateway)
    {
        const QString text = QStringLiteral("The gateway login can neither read nor change the tables");
        QStringList allowed;
        // Where the server tells no permissions, a read is tried.
        for (const schema::Table& table : schema::tables())
            for (const char* permission : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
                const QString name = QLatin1String(table.name);
                const auto answer = gateway.backend().hasPermission(name, QLatin1String(permission));
                const bool* told = std::get_if<bool>(&answer);
                const bool may = told ? *told
                                      : permission == std::string_view("SELECT")
                                            && !refusalOf(gateway, QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(name));
                if (may)
                    allowed << QStringLiteral("%1 on %2").arg(QLatin1String(permission), name);
            }
        check(allowed.isEmpty(), text, QStringLiteral("it may %1").arg(shortened(allowed)));
    }

    void checkTables(db::Connection& user)
    {
        for (const schema::Table& table : schema::tables()) {
            const QString name = QLatin1String(table.name);
            const QString text = QStringLiteral("Table %1 has the columns the program uses").arg(name);
            db::TableInfo info;
            try {
                info = user.tableInfo(name);
            } catch (const db::DatabaseError& error) {
                // A login that may read only some columns of a table (QEL_User)
                // may not see it in the catalog on every server: the columns
                // the program reads, as a statement reading them describes them.
                if (!readableColumns(user, table, info)) {
                    check(false, text,
                          QStringLiteral("the table is missing or cannot be read (%1)").arg(error.message()));
                    continue;
                }
            }
            QStringList problems;
            QStringList& present = m_present[name];
            for (const schema::Column& column : table.columns) {
                const db::ColumnInfo* found = info.column(QLatin1String(column.name));
                const Need need = needOf(table, column);
                if (found)
                    present << QLatin1String(column.name);
                if (!found)
                    problems << QStringLiteral("%1 is missing").arg(QLatin1String(column.name));
                else if (!fits(*found, need, column.size))
                    problems << QStringLiteral("%1 is %2, the program needs %3")
                                    .arg(QLatin1String(column.name), describe(*found), describe(need, column.size));
            }
            check(problems.isEmpty(), text, joined(problems));
            if (table.serverAssignsKeys)
                checkIdentity(table, info);
        }
    }

    static bool readableColumns(db::Connection& user, const schema::Table& table, db::TableInfo& info)
    {
        QStringList names;
        for (const schema::Column& column : table.columns)
            names << QLatin1String(column.name);
        try {
            info.name = QLatin1String(table.name);
            info.columns = user.query(QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0")
                                          .arg(names.join(QStringLiteral(", ")), info.name))
                               .columns;
            return true;
        } catch (const db::DatabaseError&) {
            return false;
        }
    }

    void checkIdentity(const schema::Table& table, const db::TableInfo& info)
    {
        const QString name = QLatin1String(table.name);
        const QString key = identityKeyOf(table);
        const QString text = key.isEmpty()
            ? QStringLiteral("Table %1 has a key that the server assigns (an identity primary key)").arg(name)
            : QStringLiteral("Table %1: key %2 is an identity column, the primary key").arg(name, key);
        QString problem;
        if (info.identityColumn.isEmpty())
            problem = QStringLiteral("the table has no identity column: new rows would get no key");
        else if (!key.isEmpty() && info.identityColumn.compare(key, Qt::CaseInsensitive) != 0)
            problem = QStringLiteral("the identity column is %1").arg(info.identityColumn);
        else if (info.keyColumns.size() != 1 || info.keyColumns.first().compare(info.identityColumn, Qt::CaseInsensitive) != 0)
            problem = QStringLiteral("the primary key is not the identity column alone");
        check(problem.isEmpty(), text, problem);
    }

    // Other programs may manage the shared server's schema and keep rows the
    // keys would refuse, so a missing key is a warning: the program works
    // without it, but a dictionary entry in use can then be deleted.
    void checkForeignKeys(db::Connection& user)
    {
        QStringList missing;
        for (const schema::Table& table : schema::tables()) {
            const QString name = QLatin1String(table.name);
            const bool refers = std::any_of(table.columns.cbegin(), table.columns.cend(),
                                            [](const schema::Column& column) { return column.references; });
            if (!refers || !m_present.contains(name))
                continue; // a missing table is reported with the tables
            QVector<db::ForeignKeyInfo> keys;
            try {
                keys = user.backend().foreignKeys(name);
            } catch (const db::DatabaseError& error) {
                missing << QStringLiteral("those of %1 cannot be read (%2)").arg(name, error.message());
                continue;
            }
            for (const schema::Column& column : table.columns)
                if (column.references && !hasForeignKey(keys, column))
                    missing << QStringLiteral("none from %1.%2 to %3.%4")
                                   .arg(name, QLatin1String(column.name), QLatin1String(column.references),
                                        referencedKeyOf(column));
        }
        const QString text = QStringLiteral("The profile tables refer to the dictionaries through foreign keys");
        if (missing.isEmpty())
            add(Outcome::Passed, text);
        else
            add(Outcome::Warning, text + QStringLiteral(": %1; a dictionary entry in use can be deleted from under "
                                                        "the profiles")
                                             .arg(joined(missing)));
    }

    static QString referencedKeyOf(const schema::Column& column)
    {
        return QLatin1String(schema::keyOf(schema::table(column.references))->name);
    }

    // A key of this one column alone to the key of the dictionary it names.
    static bool hasForeignKey(const QVector<db::ForeignKeyInfo>& keys, const schema::Column& column)
    {
        const auto just = [](const QStringList& names, const QString& name) {
            return names.size() == 1 && names.first().compare(name, Qt::CaseInsensitive) == 0;
        };
        return std::any_of(keys.cbegin(), keys.cend(), [&](const db::ForeignKeyInfo& key) {
            return just(key.columns, QLatin1String(column.name))
                && key.referencedTable.compare(QLatin1String(column.references), Qt::CaseInsensitive) == 0
                && just(key.referencedColumns, referencedKeyOf(column));
        });
    }

    void checkCollations(db::Connection& user)
    {
        const QString text = QStringLiteral("Text columns use a Cyrillic case-insensitive collation");
        QStringList wrong;
        for (const schema::Table& table : schema::tables()) {
            db::ServerAnswer<QHash<QString, QString>> answer;
            try {
                answer = user.backend().collations(QLatin1String(table.name));
            } catch (const db::DatabaseError&) {
                continue; // reported with the table
            }
            if (const auto* notApplicable = std::get_if<db::NotApplicable>(&answer)) {
                add(Outcome::NotApplicable, text + QStringLiteral(": not applicable, ") + notApplicable->reason);
                return;
            }
            const auto& collations = std::get<QHash<QString, QString>>(answer);
            for (const schema::Column& column : table.columns) {
                const QString collation = collations.value(QString::fromLatin1(column.name).toLower());
                if (!collation.isEmpty() && !isCyrillicCaseInsensitive(collation))
                    wrong << QStringLiteral("%1.%2 is %3").arg(QLatin1String(table.name), QLatin1String(column.name),
                                                              collation);
            }
        }
        check(wrong.isEmpty(), text, joined(wrong));
    }

    void checkUserRights(db::Connection& user)
    {
        QStringList unreadable;
        // Only the tables and columns that are there: what is missing is
        // reported above.
        for (const schema::Table& table : schema::tables()) {
            const QStringList names = m_present.value(QLatin1String(table.name));
            if (names.isEmpty())
                continue;
            if (const auto refusal = refusalOf(user, QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0")
                                                         .arg(names.join(QStringLiteral(", ")),
                                                              QLatin1String(table.name))))
                unreadable << QStringLiteral("%1 (%2)").arg(QLatin1String(table.name), *refusal);
        }
        check(unreadable.isEmpty(), QStringLiteral("The user's login may read every table the program reads"),
              joined(unreadable));

        // Where the server tells no permissions, a write that changes no row
        // is tried on the tables the program edits; the reference tables and
        // QEL_User's secret columns are not asked about then.
        std::optional<QString> noPermissions;
        const auto told = [&](const db::ServerAnswer<bool>& answer) -> std::optional<bool> {
            if (const bool* allowed = std::get_if<bool>(&answer))
                return *allowed;
            noPermissions = std::get<db::NotApplicable>(answer).reason;
            return std::nullopt;
        };
        QStringList unwritable;
        QStringList writableReference;
        for (const schema::Table& table : schema::tables()) {
            const QString name = QLatin1String(table.name);
            if (m_present.value(name).isEmpty())
                continue;
            for (const char* permission : {"INSERT", "UPDATE", "DELETE"}) {
                const std::optional<bool> answer = told(user.backend().hasPermission(name, QLatin1String(permission)));
                const bool allowed =
                    answer ? *answer : table.edited && mayWriteByTrying(user, table, QLatin1String(permission));
                if (table.edited && !allowed)
                    unwritable << QStringLiteral("%1 on %2").arg(QLatin1String(permission), name);
                if (!table.edited && allowed)
                    writableReference << QStringLiteral("%1 on %2").arg(QLatin1String(permission), name);
            }
        }
        const auto edited = std::count_if(schema::tables().cbegin(), schema::tables().cend(),
                                          [](const schema::Table& table) { return table.edited; });
        check(unwritable.isEmpty(),
              QStringLiteral("The user's login may insert, change and delete rows of the %1 tables the program edits")
                  .arg(edited),
              QStringLiteral("it may not %1").arg(joined(unwritable)));

        const QString readOnlyText = QStringLiteral(
            "The user's login cannot change the reference tables (users, their departments, teachers, years ...)");
        const QString secretText = QStringLiteral(
            "The user's login cannot read password digests or database logins in QEL_User");
        if (noPermissions) {
            const QString why = QStringLiteral(": not applicable, ") + *noPermissions;
            add(Outcome::NotApplicable, readOnlyText + why);
            add(Outcome::NotApplicable, secretText + why);
            return;
        }
        check(writableReference.isEmpty(), readOnlyText, QStringLiteral("it may %1").arg(shortened(writableReference)));
        // Tried with a statement that reads no row: a server that hides the
        // table from the login's catalog would answer every permission "no".
        QStringList readable;
        for (const QString& column : kSecretColumns)
            if (!refusalOf(user, QStringLiteral("SELECT %1 FROM QEL_User WHERE 1 = 0").arg(column)))
                readable << column;
        check(readable.isEmpty(), secretText, QStringLiteral("it may read %1").arg(readable.join(QStringLiteral(", "))));
    }

    // Whether the login may write the table, tried with a statement that
    // changes no row.
    bool mayWriteByTrying(db::Connection& user, const schema::Table& table, const QString& permission)
    {
        const QString name = QLatin1String(table.name);
        // A column the program writes: not the key, which the server assigns.
        QStringList written = m_present.value(name);
        written.removeAll(identityKeyOf(table));
        const QString column = written.isEmpty() ? identityKeyOf(table) : written.constLast();
        QString statement;
        if (permission == u"INSERT")
            statement = QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1 WHERE 1 = 0").arg(name, column);
        else if (permission == u"UPDATE")
            statement = QStringLiteral("UPDATE %1 SET %2 = %2 WHERE 1 = 0").arg(name, column);
        else
            statement = QStringLiteral("DELETE FROM %1 WHERE 1 = 0").arg(name);
        return !refusalOf(user, statement);
    }

    const Target& m_target;
    const std::function<void(const Line&)>& m_report;
    std::vector<Line> m_lines;
    // The program's columns found in each table, by table name.
    QHash<QString, QStringList> m_present;
};

} // namespace

std::vector<Line> run(const Target& target, const std::function<void(const Line&)>& report)
{
    return Checker(target, report).run();
}

Line refusedUserVerdict(const QString& login, const db::ResultSet& row)
{
    const QString text = QStringLiteral("GET_USER refuses \"%1\" and hands out no database login").arg(login);
    if (row.rows.isEmpty() || row.rows.first().size() < kGetUserFieldCount)
        return {Outcome::Failed, text + QStringLiteral(": it returned no row of six columns")};
    const auto& fields = row.rows.first();
    if (!fields.at(0).isNull() || !fields.at(1).isNull())
        return {Outcome::Failed, text + QStringLiteral(": it handed out a database login or password")};
    const GetUserReply reply = readGetUserReply(row);
    try {
        if (reply.message.isEmpty() && reply.passwordTerm.value() >= 0 && reply.updateFlag.value() < 2)
            return {Outcome::Failed, text + QStringLiteral(": it accepted the user")};
    } catch (const db::DatabaseError& error) {
        return {Outcome::Failed, text + QStringLiteral(": ") + error.message()};
    }
    return {Outcome::Passed, text};
}

QString format(const Line& line)
{
    switch (line.outcome) {
    case Outcome::Passed: return QStringLiteral("[ OK ] ") + line.text;
    case Outcome::Failed: return QStringLiteral("[FAIL] ") + line.text;
    case Outcome::Warning: return QStringLiteral("[WARN] ") + line.text;
    case Outcome::NotApplicable: break;
    }
    return QStringLiteral("[ -- ] ") + line.text;
}

bool allPassed(const std::vector<Line>& lines)
{
    if (lines.empty())
        return false;
    for (const Line& line : lines)
        if (line.outcome == Outcome::Failed)
            return false;
    return true;
}

QString summary(const std::vector<Line>& lines)
{
    const auto counted = [&](Outcome outcome) {
        return std::count_if(lines.cbegin(), lines.cend(), [&](const Line& line) { return line.outcome == outcome; });
    };
    const auto warnings = counted(Outcome::Warning);
    QString text = QStringLiteral("%1 passed, %2 failed, ").arg(counted(Outcome::Passed)).arg(counted(Outcome::Failed));
    if (warnings > 0)
        text += warnings == 1 ? QStringLiteral("1 warning, ") : QStringLiteral("%1 warnings, ").arg(warnings);
    text += QStringLiteral("%1 not applicable.\n").arg(counted(Outcome::NotApplicable));
    if (allPassed(lines))
        return text + (warnings > 0 ? QStringLiteral("The server is ready for QEL 23; see the warnings above.")
                                    : QStringLiteral("The server is ready for QEL 23."));
    return text + QStringLiteral("QEL 23 will not work correctly on this server until the failures above are mended.");
}

bool isCyrillicCaseInsensitive(const QString& collation)
{
    const QStringList parts = collation.split(u'_');
    return collation.startsWith(QLatin1String("Cyrillic_General_"), Qt::CaseInsensitive)
        && parts.contains(QStringLiteral("CI"), Qt::CaseInsensitive);
}

} // namespace server_check
