#include <QElapsedTimer>
#include "db_fixture.h"

#include <QSqlError>
#include "refusal.h"

#include "db/embedded_server.h"
#include "embedded_faults.h"
#include "db/errors.h"
#include "db/odbc_backend.h"
#include "db/tsql_translation.h"
#include "direct_sql.h"

#include <QFile>

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace {

using ConnectionTest = DbTest;

TEST_F(ConnectionTest, OpensChecksLoginsAndClosesQuietly)
{
    db::Connection connection;
    connection.close(); // closing a closed connection does nothing
    connection.setConnectionString(connectionString(QStringLiteral("writer"), QStringLiteral("wrong")));
    EXPECT_THAT(refusal([&] { connection.open(); }).toStdString(), HasSubstr("writer"));
    EXPECT_FALSE(connection.isOpen());

    connection.setConnectionString(connectionString());
    connection.open();
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.query(QStringLiteral("select count(*) from items")).rows[0][0].toInt(), 3);
    connection.close();
    connection.close();
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(ConnectionTest, AStatementOnAClosedConnectionOpensItOnce)
{
    db::Connection connection;
    connection.setConnectionString(connectionString());
    EXPECT_EQ(connection.query(QStringLiteral("select name from items where id_item = 2")).rows[0][0], "beta");
    EXPECT_TRUE(connection.isOpen());

    db::Connection refused;
    refused.setConnectionString(connectionString(QStringLiteral("nobody"), QStringLiteral("x")));
    EXPECT_THAT(refusal([&] { refused.query(QStringLiteral("select 1")); }).toStdString(),
                HasSubstr("Login failed for user 'nobody'"));
    EXPECT_FALSE(refused.isOpen());
}

TEST_F(ConnectionTest, ASemicolonInAValueBreaksTheString)
{
    EXPECT_EQ(db::parseConnectionString(QStringLiteral("User ID=a;Password=b=c;Data Source=file:x")).value("password"),
              "b=c");
    db::Connection connection;
    connection.setConnectionString(connectionString(QStringLiteral("writer"), QStringLiteral("w;pass")));
    EXPECT_FALSE(refusal([&] { connection.open(); }).isEmpty());
    EXPECT_FALSE(connection.isOpen());
}

// Values quoted as the OLE DB syntax allows may hold semicolons and quotes;
// the embedded server then takes the login, password and file they name.
TEST_F(ConnectionTest, QuotedValuesMayHoldSemicolonsAndQuotes)
{
    const auto parameters = db::parseConnectionString(
        QStringLiteral("User ID=\"a;b\";Password='p\"w'';x' ;Initial Catalog=QEL;Data Source= \"file:x\"\"y\";"));
    EXPECT_EQ(parameters.value("user id"), "a;b");
    EXPECT_EQ(parameters.value("password"), "p\"w';x");
    EXPECT_EQ(parameters.value("data source"), "file:x\"y");
    EXPECT_EQ(parameters.value("initial catalog"), "QEL");
    for (const char* broken : {"Password=\"open;User ID=u", "Password=\"a\"b;User ID=u", "=x;User ID=u"})
        EXPECT_THROW(db::parseConnectionString(QString::fromUtf8(broken)), db::DatabaseError) << broken;

    ASSERT_TRUE(QFile::copy(path, folder.filePath(QStringLiteral("te;st.db"))));
    db::Connection connection;
    connection.setConnectionString(QStringLiteral("User ID=writer;Password=w-pass;Data Source=\"file:%1\"")
                                       .arg(folder.filePath(QStringLiteral("te;st.db"))));
    EXPECT_NO_THROW(connection.open());
}

TEST_F(ConnectionTest, AMissingDatabaseFileFailsTheOpen)
{
    db::Connection connection;
    connection.setConnectionString(QStringLiteral("User ID=writer;Password=w-pass;Data Source=file:%1")
                                       .arg(folder.filePath(QStringLiteral("absent.db"))));
    EXPECT_THAT(refusal([&] { connection.open(); }).toStdString(), HasSubstr("does not exist"));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("absent.db"))));
}

TEST_F(ConnectionTest, AnOpenThatFailsSaysWhy)
{
    const auto openFails = [&](const QString& file) {
        db::Connection connection;
        connection.setConnectionString(
            QStringLiteral("User ID=writer;Password=w-pass;Data Source=file:%1").arg(file));
        return refusal([&] { connection.open(); });
    };
    const QString notADatabase = folder.filePath(QStringLiteral("notes.db"));
    QFile text(notADatabase);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();
    EXPECT_THAT(openFails(notADatabase).toStdString(), HasSubstr("is not a database"));

    const QString noLogins = folder.filePath(QStringLiteral("empty.db"));
    DirectSql empty;
    empty.open(noLogins);
    empty.sql(QStringLiteral("CREATE TABLE t (a INTEGER)"));
    EXPECT_EQ(openFails(noLogins), "Invalid object name 'server_logins'.");

    // Another program holds the database locked beyond the server's wait.
    sql(QStringLiteral("BEGIN EXCLUSIVE"));
    EXPECT_THAT(openFails(path).toStdString(), HasSubstr("is locked by another program"));
    sql(QStringLiteral("COMMIT"));
    EXPECT_EQ(openFails(path), "");
}

TEST_F(ConnectionTest, GatewayLoginMayOnlyExecuteProcedures)
{
    db::registerEmbeddedProcedure(QStringLiteral("ECHO_ARGS"), [](QSqlDatabase&, const QVariantList& arguments) {
        db::ResultSet result;
        result.columns = {{QStringLiteral("count"), db::FieldType::Integer, 0},
                          {QStringLiteral("first"), db::FieldType::String, 0},
                          {QStringLiteral("third"), db::FieldType::Unknown, 0}};
        result.rows.append({int(arguments.size()), arguments.value(0), arguments.value(2)});
        return result;
    });
    db::Connection gateway;
    gateway.setConnectionString(connectionString(QStringLiteral("gate"), QStringLiteral("g-pass")));
    gateway.open();
    const db::ResultSet echoed = gateway.query(QStringLiteral("EXEC ECHO_ARGS 'd''Arc','x',NULL, 'QEL 23', '4'"));
    ASSERT_EQ(echoed.rows.size(), 1);
    EXPECT_EQ(echoed.rows[0][0].toInt(), 5);
    EXPECT_EQ(echoed.rows[0][1].toString(), "d'Arc");
    EXPECT_TRUE(echoed.rows[0][2].isNull());

    EXPECT_FALSE(refusal([&] { gateway.query(QStringLiteral("select * from items")); }).isEmpty());
    EXPECT_FALSE(refusal([&] { gateway.tableInfo(QStringLiteral("items")); }).isEmpty());
    EXPECT_THAT(refusal([&] { gateway.query(QStringLiteral("EXEC NO_SUCH_PROC")); }).toStdString(),
                HasSubstr("NO_SUCH_PROC"));
}

TEST_F(ConnectionTest, DateFormatIsASettingOfTheSession)
{
    auto connection = connect();
    auto dateFormat = [&] { return connection->query(QStringLiteral("DBCC USEROPTIONS")).rows.at(0).at(1).toString(); };
    EXPECT_EQ(dateFormat(), "mdy");
    connection->execute(QStringLiteral("SET DATEFORMAT dmy"));
    EXPECT_EQ(dateFormat(), "dmy");
    auto other = connect();
    EXPECT_EQ(other->query(QStringLiteral("DBCC USEROPTIONS")).rows.at(0).at(1).toString(), "mdy");
    connection->close();
    connection->open();
    EXPECT_EQ(dateFormat(), "mdy");
}

// The rows of one record after another, read by the same statement for each
// key: each key's own rows, the table as it is now, its columns as they are
// now, and no lock held between the reads.
TEST_F(ConnectionTest, AStatementReadForAnotherKeyReadsThatKeysRowsAsTheyAreNow)
{
    auto connection = connect();
    auto other = connect();
    const auto names = [&](const QString& statement) {
        QStringList found;
        for (const auto& row : connection->query(statement).rows)
            found << row.value(0).toString();
        return found;
    };
    const QString byKind = QStringLiteral("select name from items where id_kind=");
    EXPECT_EQ(names(byKind + "1"), QStringList({"alpha"}));
    EXPECT_EQ(names(byKind + "2"), QStringList({"beta"}));
    EXPECT_EQ(names(byKind + "99"), QStringList());
    EXPECT_EQ(names(byKind + "03"), QStringList({"gamma"}));
    // Another session writes between two reads, without waiting for a lock.
    QElapsedTimer waited;
    waited.start();
    other->execute(QStringLiteral("update items set name = 'changed' where id_kind = 2"));
    other->execute(QStringLiteral("insert into items (id_kind, name) values (2, 'delta')"));
    EXPECT_LT(waited.elapsed(), 2000);
    EXPECT_EQ(names(byKind + "2"), QStringList({"changed", "delta"}));
    // The table altered meanwhile: the statement runs on.
    other->execute(QStringLiteral("ALTER TABLE items ADD COLUMN extra INTEGER"));
    EXPECT_EQ(names(byKind + "1"), QStringList({"alpha"}));
    // A keyed statement with TOP, and one that cannot run, as without a key.
    EXPECT_EQ(names(QStringLiteral("SELECT TOP 1 name FROM [QEL].[dbo].[items] WHERE id_kind = 2")),
              QStringList({"changed"}));
    EXPECT_EQ(refusal([&] { connection->query(QStringLiteral("select * from no_such_table where id = 1")); }),
              refusal([&] { connection->query(QStringLiteral("select * from no_such_table")); }));
    // Reopened, the connection reads on.
    connection->close();
    connection->open();
    EXPECT_EQ(names(byKind + "1"), QStringList({"alpha"}));
}

TEST_F(ConnectionTest, InjectedFailuresAndALostConnection)
{
    auto connection = connect();
    db::embedded_faults::failNextStatement(QStringLiteral("Deadlock victim"));
    EXPECT_EQ(refusal([&] { connection->query(QStringLiteral("select 1")); }), "Deadlock victim");
    EXPECT_NO_THROW(connection->query(QStringLiteral("select 1")));

    db::embedded_faults::failStatementContaining(QStringLiteral("FROM kinds"), QStringLiteral("no kinds"));
    EXPECT_NO_THROW(connection->query(QStringLiteral("select * from items")));
    EXPECT_EQ(refusal([&] { connection->query(QStringLiteral("select * FROM KINDS")); }), "no kinds");

    db::embedded_faults::loseConnections();
    EXPECT_THAT(refusal([&] { connection->query(QStringLiteral("select 1")); }).toStdString(),
                HasSubstr("General network error"));
    EXPECT_THAT(refusal([&] { connection->query(QStringLiteral("select 1")); }).toStdString(),
                HasSubstr("General network error"));
    connection->close();
    connection->open();
    EXPECT_NO_THROW(connection->query(QStringLiteral("select 1")));
}

TEST(TsqlTranslation, TheFormsTheProgramSends)
{
    const auto toSqlite = [](const QString& statement) { return db::tsql::toSqlite(statement, QStringLiteral("QEL")); };
    // Nothing inside a literal, a quoted name or a comment is translated; a
    // literal and an ORDER BY term compare in the server's collation.
    EXPECT_EQ(toSqlite(QStringLiteral("Select [id] from [QEL_User] WHERE [QEL_login]='dbo.ivanov'")),
              "Select [id] from [QEL_User] WHERE [QEL_login]='dbo.ivanov' COLLATE Cyrillic_General_CI_AS");
    EXPECT_EQ(toSqlite(QStringLiteral("select 'TOP (3) x', \"dbo.y\", [QEL].[dbo].t from t -- TOP (100) PERCENT")),
              "select 'TOP (3) x' COLLATE Cyrillic_General_CI_AS, \"dbo.y\", t from t -- TOP (100) PERCENT");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT TOP (2) a FROM t -- the first two\n")), "SELECT a FROM t LIMIT 2 -- the first two\n");
    EXPECT_EQ(toSqlite(QStringLiteral("select a from t order by [lang], b desc /* dbo. */")),
              "select a from t order by [lang] COLLATE Cyrillic_General_CI_AS, b COLLATE Cyrillic_General_CI_AS desc /* dbo. */");
    EXPECT_EQ(toSqlite(QStringLiteral("select a as 'Имя' from t")), "select a as 'Имя' from t");
    EXPECT_EQ(toSqlite(QStringLiteral("select a from t where n = 'O''Brien''s' and m = ''")),
              "select a from t where n = 'O''Brien''s' COLLATE Cyrillic_General_CI_AS and m = '' COLLATE Cyrillic_General_CI_AS");
    EXPECT_EQ(toSqlite(QStringLiteral("Select TOP(0) T.* from T")), "Select T.* from T LIMIT 0");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT TOP (5) a FROM T")), "SELECT a FROM T LIMIT 5");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT TOP 1 a FROM T ORDER BY a;")),
              "SELECT a FROM T ORDER BY a COLLATE Cyrillic_General_CI_AS LIMIT 1;");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT     TOP (100) PERCENT dbo.t.a FROM dbo.t")), "SELECT      t.a FROM t");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id=1")),
              "SELECT *  FROM [Publication] WHERE id=1");
    EXPECT_EQ(toSqlite(QStringLiteral("select x.dbo_col from dbo.x")), "select x.dbo_col from x");
    // The words in any case.
    EXPECT_EQ(toSqlite(QStringLiteral("select top 3 a from Dbo.t order by a")),
              "select a from t order by a COLLATE Cyrillic_General_CI_AS LIMIT 3");
    EXPECT_EQ(toSqlite(QStringLiteral("select top (100) percent a from t")), "select  a from t");
    EXPECT_EQ(toSqlite(QStringLiteral("Select * from ScientificActivity where id_t_fio = 7")),
              "Select * from ScientificActivity where id_t_fio = 7");
    // A SELECT ending in a key runs as the same statement with a parameter.
    const auto keyed = [](const char* statement) {
        const auto split = db::tsql::keyedSelect(QString::fromUtf8(statement));
        return split ? split->withParameter + u'|' + QString::number(split->key) : QStringLiteral("none");
    };
    EXPECT_EQ(keyed("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=12"),
              "SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=?|12");
    EXPECT_EQ(keyed("select * from t where a = 'x=1' and id =  7"), "select * from t where a = 'x=1' and id =  ?|7");
    for (const char* unkeyed : {"select * from t7", "select * from t where id = -7", "update t set a = 1",
                                "select * from t where id = 99999999999999999999", "select * from t -- id = 5",
                                "select * from t where id = 5 -- 5", "select * from t where id = 5 "})
        EXPECT_EQ(keyed(unkeyed), "none") << unkeyed;
    EXPECT_EQ(keyed("select * from t -- all\nwhere id = 5"), "select * from t -- all\nwhere id = ?|5");
    using db::tsql::baseTable;
    EXPECT_EQ(baseTable(QStringLiteral("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=7")), "Publication");
    EXPECT_EQ(baseTable(QStringLiteral("select * from items order by name")), "items");
    for (const char* several : {"select * from a Join b on a.x = b.x", "select x from a UNION select x from b",
                                "select x, count(*) from a group  by x", "select * from (select x from a) t",
                                "select * from a, b", "select * from a where x in ( SELECT x from b)"})
        EXPECT_EQ(baseTable(QString::fromLatin1(several)), QString()) << several;
    EXPECT_EQ(db::tsql::parseDateFormat(QStringLiteral("SET DATEFORMAT dmy")), QStringLiteral("dmy"));
    EXPECT_EQ(db::tsql::parseDateFormat(QStringLiteral("  set dateformat YMD;")), QStringLiteral("ymd"));
    EXPECT_FALSE(db::tsql::parseDateFormat(QStringLiteral("SET NOCOUNT ON")).has_value());
    const auto call =
        db::tsql::parseProcedureCall(QStringLiteral("EXEC GET_USER 'a','b',NULL, 'QEL 23', '0'"), QStringLiteral("QEL"));
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->name, "GET_USER");
    EXPECT_EQ(call->arguments.size(), 5);
    EXPECT_EQ(db::tsql::parseProcedureCall(QStringLiteral(" execute GET_USER 'a'"), QStringLiteral("QEL"))->name, "GET_USER");
    EXPECT_FALSE(db::tsql::parseProcedureCall(QStringLiteral("EXECUTED x"), QStringLiteral("QEL")).has_value());
    EXPECT_FALSE(db::tsql::parseProcedureCall(QStringLiteral("select 'EXEC x'"), QStringLiteral("QEL")).has_value());
    EXPECT_THROW(db::tsql::parseProcedureCall(QStringLiteral("EXEC P 'unclosed"), QStringLiteral("QEL")),
                 db::DatabaseError);
}

// The database prefix removed is the connection's own database's, whatever
// its name; another database's stays, as a server would look for it.
TEST(TsqlTranslation, TheDatabasePrefixIsTheConnectionsCatalog)
{
    using db::tsql::toSqlite;
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT * FROM [Учёт].[dbo].[Publication]"), QStringLiteral("Учёт")),
              "SELECT * FROM [Publication]");
    EXPECT_EQ(toSqlite(QStringLiteral("select a from qel2.dbo.t"), QStringLiteral("QEL2")), "select a from t");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT * FROM [QEL].[dbo].[Publication]"), QStringLiteral("QEL2")),
              "SELECT * FROM [QEL].[dbo].[Publication]");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT * FROM QEL.dbo.t"), QStringLiteral("QEL2")), "SELECT * FROM QEL.dbo.t");
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT * FROM [QEL].[dbo].[t]"), QString()), "SELECT * FROM [QEL].[dbo].[t]");
    EXPECT_EQ(db::tsql::parseProcedureCall(QStringLiteral("EXEC [QEL2].[dbo].[GET_USER] 'a'"), QStringLiteral("qel2"))->name,
              "GET_USER");
}

TEST_F(ConnectionTest, TheEmbeddedServerTakesItsDatabaseNameFromTheConnection)
{
    db::Connection connection;
    connection.setConnectionString(
        connectionString().replace(QStringLiteral("Initial Catalog=QEL;"), QStringLiteral("Initial Catalog=Учёт;")));
    EXPECT_EQ(connection.query(QStringLiteral("select count(*) from [Учёт].[dbo].[items]")).rows[0][0].toInt(), 3);
    EXPECT_FALSE(refusal([&] { connection.query(QStringLiteral("select count(*) from [QEL].[dbo].[items]")); })
                     .isEmpty());
}

// A port is digits only: what else follows the comma is refused before it
// could reach the connection string as keys of its own.
TEST(OdbcConnectionString, APortIsDigitsOnly)
{
    const auto odbc = [](const QString& server) {
        return db::odbcConnectionString(db::parseConnectionString(
            QStringLiteral("Password=p;User ID=u;Initial Catalog=QEL;Data Source=\"%1\"").arg(server)));
    };
    EXPECT_THAT(odbc(QStringLiteral("h, 1433")).toStdString(), HasSubstr("SERVER={h};PORT=1433;"));
    for (const QString server : {"h,1;Encrypt=no", "h,1;UID=sa;PWD=x", "h,abc", "h,", "h,1,2", "h,123456"}) {
        try {
            odbc(server);
            ADD_FAILURE() << "accepted " << server.toStdString();
        } catch (const db::DatabaseError& error) {
            EXPECT_THAT(error.message().toStdString(), HasSubstr("a port is digits only")) << server.toStdString();
        }
    }
}

TEST(OdbcConnectionString, MapsTheOleDbPairs)
{
    const auto parameters = db::parseConnectionString(
        QStringLiteral("Provider=SQLOLEDB.1;Password=p}w;User ID=u;Initial Catalog=QEL;Data Source=srv,1500"));
    const QString odbc = db::odbcConnectionString(parameters);
    EXPECT_THAT(odbc.toStdString(), HasSubstr("SERVER={srv};PORT=1500;DATABASE={QEL};UID={u};PWD={p}}w};"));
    // A semicolon stays inside its value, the server's name included.
    const QString braced = db::odbcConnectionString(
        db::parseConnectionString(QStringLiteral("Password=\"a;b\";User ID=u;Data Source=\"s;t\"")));
    EXPECT_THAT(braced.toStdString(), HasSubstr("SERVER={s;t};"));
    EXPECT_THAT(braced.toStdString(), HasSubstr("PWD={a;b};"));
#ifndef _WIN32
    EXPECT_THAT(odbc.toStdString(), HasSubstr("DRIVER={FreeTDS}"));
    EXPECT_THAT(odbc.toStdString(), HasSubstr("TDS_Version=7.4;ClientCharset=UTF-8"));
#endif
}

// What SQL Server needs of the row writes, which no driver here can show:
// texts compared as nvarchar(max), the catalog's type names read as 8-bit or
// wide text, long texts sent as nvarchar(max).
TEST(SqlServerDialect, ComparesTextsAtAnyLengthAndReadsTheCatalogsTypes)
{
    const auto dialect = db::sqlServerDialect();
    const db::ColumnInfo note{QStringLiteral("note"), db::FieldType::WideString, 0};
    const db::ColumnInfo id{QStringLiteral("id"), db::FieldType::Integer, 0};
    const db::BoundStatement update = dialect->rowWriter().updateRow(
        QStringLiteral("t"), {{note, QStringLiteral("new")}},
        {{id, 1}, {note, QString(300, u'x')}, {{QStringLiteral("gone"), db::FieldType::String, 5}, QVariant()}});
    EXPECT_EQ(update.text, "UPDATE [t] SET [note] = ? WHERE [id] = ? AND "
                           "CAST([note] AS nvarchar(max)) = CAST(? AS nvarchar(max)) AND [gone] IS NULL");
    ASSERT_EQ(update.parameters.size(), 3);
    EXPECT_EQ(update.parameters[2].column.type, db::FieldType::WideString); // bound as its column's type

    for (const char* wide : {"nvarchar", "nchar", "ntext"})
        EXPECT_EQ(db::parseDeclaredType(QLatin1String(wide)).type, db::FieldType::WideString) << wide;
    for (const char* narrow : {"varchar", "char", "text"})
        EXPECT_EQ(db::parseDeclaredType(QLatin1String(narrow)).type, db::FieldType::String) << narrow;

    EXPECT_EQ(dialect->textParameterSize(200, 300), 300);
    EXPECT_EQ(dialect->textParameterSize(400, 300), 400);
    EXPECT_EQ(dialect->textParameterSize(5000, 0), 0); // nvarchar(max)

    // A foreign key's refusal by the error number for constraint conflicts,
    // whatever the words around it; a CHECK constraint's and a duplicate key's are not.
    const auto refusal = [](const char* text, const char* code) {
        return QSqlError(QString::fromUtf8(text), QString(), QSqlError::StatementError, QLatin1String(code));
    };
    EXPECT_TRUE(dialect->isForeignKeyViolation(refusal(
        "The DELETE statement conflicted with the REFERENCE constraint \"FK_uses_kinds\".", "547")));
    EXPECT_TRUE(dialect->isForeignKeyViolation(refusal(
        "Конфликт инструкции DELETE с ограничением REFERENCE \"FK_uses_kinds\".", "547")));
    EXPECT_TRUE(dialect->isForeignKeyViolation(refusal(
        "update or delete on table \"kinds\" violates foreign key constraint \"fk_uses_kinds\"", "547")));
    EXPECT_FALSE(dialect->isForeignKeyViolation(refusal(
        "The INSERT statement conflicted with the CHECK constraint \"CK_amount\".", "547")));
    EXPECT_FALSE(dialect->isForeignKeyViolation(refusal(
        "new row for relation \"items\" violates check constraint \"ck_amount\"", "547")));
    EXPECT_FALSE(dialect->isForeignKeyViolation(refusal(
        "Violation of PRIMARY KEY constraint 'PK_kinds'. Cannot insert duplicate key.", "2627")));
    EXPECT_FALSE(dialect->isForeignKeyViolation(refusal(
        "The DELETE statement conflicted with the REFERENCE constraint \"FK_uses_kinds\".", "23000")));
}

} // namespace
