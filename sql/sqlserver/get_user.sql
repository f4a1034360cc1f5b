-- Reference GET_USER for SQL Server (2016 or later), the sign-in check of QEL 23.
-- Run after schema.sql:  sqlcmd -S SERVER -E -f 65001 -i get_user.sql
--
-- EXEC GET_USER 'login', 'password digest', NULL | 'new password digest',
--               'QEL 23', 'IP address', 'computer name', 'login', '0', '4' | '34'
--
-- Returns one row:
--   0 db_login      the user's database login, shifted (each code minus one);
--                   NULL with a message, a term below 0 or an update flag of 2 or more
--   1 db_password   the user's database password, shifted; NULL as db_login
--   2 id_QEL_user   the user id
--   3 password_term days the password stays valid; below 0 forces a change
--   4 message       NULL when the user may work; otherwise the refusal
--   5 update_flag   2 or more announces a newer build of the program
-- A wrong login or password gives NULLs, term 0, the message
-- "Неверный логин или пароль" and flag 0, and changes nothing. With the right
-- password, a new-password digest replaces the stored one and the term becomes 90.
-- Arguments 4 to 9 (program, workstation and the call's own checks) are taken
-- as sent and not used here.
USE QEL;
GO

-- The shift of the sign-in exchange: every character code minus one, modulo 256,
-- in the database's code page (Windows-1251).
-- Dropped and created again rather than CREATE OR ALTER, which not every
-- server that speaks T-SQL takes; the grant below is given again with it.
IF OBJECT_ID(N'dbo.GET_USER', N'P') IS NOT NULL
    DROP PROCEDURE dbo.GET_USER;
IF OBJECT_ID(N'dbo.QEL_SHIFT', N'FN') IS NOT NULL
    DROP FUNCTION dbo.QEL_SHIFT;
GO

CREATE FUNCTION dbo.QEL_SHIFT (@text varchar(100))
RETURNS varchar(100)
AS
BEGIN
    IF @text IS NULL
        RETURN NULL;
    DECLARE @shifted varchar(100) = '';
    DECLARE @position int = 1;
    DECLARE @code int;
    -- Characters, trailing blanks included (LEN leaves them out): not
    -- DATALENGTH, the bytes, which differ where a server keeps 8-bit text
    -- in a multi-byte form.
    DECLARE @length int = LEN(@text + 'x') - 1;
    WHILE @position <= @length
    BEGIN
        -- A character's code in the code page is its byte as varbinary: ASCII
        -- and CHAR give and take Unicode code points on some T-SQL servers.
        SET @code = CAST(CAST(SUBSTRING(@text, @position, 1) AS varbinary(1)) AS int);
        SET @shifted = @shifted + CAST(CAST((@code + 255) % 256 AS binary(1)) AS varchar(1));
        SET @position = @position + 1;
    END;
    RETURN @shifted;
END;
GO

CREATE PROCEDURE dbo.GET_USER
    @login varchar(50),
    @password_md5 varchar(32),
    @new_password_md5 varchar(32),
    @program varchar(50),
    @ip_address varchar(15),
    @computer_name varchar(256),
    @login_again varchar(50),
    @reserved varchar(10),
    @new_password_length varchar(10)
AS
BEGIN
    -- No row counts: the caller reads the first result as the row.
    SET NOCOUNT ON;

    DECLARE @id int = NULL;
    SELECT TOP (1) @id = id_QEL_user
    FROM dbo.QEL_User
    WHERE QEL_login = @login
      AND password_md5 IS NOT NULL
      AND UPPER(password_md5) = UPPER(@password_md5)
    ORDER BY id_QEL_user;

    IF @id IS NULL
    BEGIN
        SELECT CAST(NULL AS varchar(100)) AS db_login,
               CAST(NULL AS varchar(100)) AS db_password,
               CAST(NULL AS int) AS id_QEL_user,
               0 AS password_term,
               CAST(N'Неверный логин или пароль' AS varchar(200)) AS message,
               0 AS update_flag;
        RETURN;
    END;

    IF @new_password_md5 IS NOT NULL
        UPDATE dbo.QEL_User
        SET password_md5 = UPPER(@new_password_md5), password_term = 90
        WHERE id_QEL_user = @id;

    -- The user's database pair opens every table the program edits: it goes
    -- only to a user the program will sign in or merely offer a new password,
    -- never with a message, a forced change (term below 0) or an update (flag
    -- 2 or more). DATALENGTH: a message of blanks is still a message.
    SELECT CAST(CASE WHEN refused.yes = 1 THEN NULL ELSE dbo.QEL_SHIFT(u.db_login) END AS varchar(100)) AS db_login,
           CAST(CASE WHEN refused.yes = 1 THEN NULL ELSE dbo.QEL_SHIFT(u.db_password) END AS varchar(100)) AS db_password,
           u.id_QEL_user,
           u.password_term,
           u.message,
           u.update_flag
    FROM dbo.QEL_User AS u
    CROSS APPLY (SELECT CASE WHEN DATALENGTH(u.message) > 0 OR u.update_flag >= 2 OR u.password_term < 0
                             THEN 1 ELSE 0 END AS yes) AS refused
    WHERE u.id_QEL_user = @id;
END;
GO

GRANT EXECUTE ON dbo.GET_USER TO qel_gateway;
GO
