-- A login of QEL 23 and its database user in QEL, in one of the two roles of
-- schema.sql. Run once per login, after schema.sql and get_user.sql:
--   sqlcmd -S SERVER -E -f 65001 -v Login="qel_gate" Password="..." Role="qel_gateway" -i logins.sql
--   sqlcmd -S SERVER -E -f 65001 -v Login="qel_ivanov" Password="..." Role="qel_user" -i logins.sql
-- qel_gateway: the login of the settings file Data/QEL (at most 20 characters,
-- as its password). qel_user: a user's own database login, the pair that
-- dbo.QEL_User.db_login and db_password hand out through GET_USER.
-- SQL Server authentication must be enabled (mixed mode).
USE master;
GO
IF SUSER_ID(N'$(Login)') IS NULL
    CREATE LOGIN [$(Login)] WITH PASSWORD = N'$(Password)', DEFAULT_DATABASE = QEL, CHECK_POLICY = ON;
GO
USE QEL;
GO
IF USER_ID(N'$(Login)') IS NULL
    CREATE USER [$(Login)] FOR LOGIN [$(Login)];
ALTER ROLE [$(Role)] ADD MEMBER [$(Login)];
GO
