-- QEL database on Microsoft SQL Server: the tables that QEL 23 reads and writes,
-- as the shared server holds them for this program. Run with
--   sqlcmd -S SERVER -E -f 65001 -i schema.sql
-- then get_user.sql. The Cyrillic collation makes varchar columns hold
-- Windows-1251 text, the program's 8-bit strings.
-- The profile tables' references to the five dictionaries are foreign keys
-- (the part "Foreign keys" below); every other relation is kept by value only,
-- and there are no CHECK constraints.

IF DB_ID(N'QEL') IS NULL
    CREATE DATABASE QEL COLLATE Cyrillic_General_CI_AS;
GO
USE QEL;
GO

-- Dictionaries, edited in the dictionary window ------------------------------

CREATE TABLE dbo.uch_step (
    id_uch_stepen int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_uch_step PRIMARY KEY,
    k5 varchar(20) NULL,
    QEL_user varchar(20) NULL
);

CREATE TABLE dbo.uch_zvanie (
    id_uch_zvanie int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_uch_zvanie PRIMARY KEY,
    k6 varchar(20) NULL,
    QEL_user varchar(20) NULL
);

CREATE TABLE dbo.Spec_Code (
    id_spec_code int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Spec_Code PRIMARY KEY,
    spec_code varchar(20) NULL
);

CREATE TABLE dbo.languages (
    id_lang int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_languages PRIMARY KEY,
    lang varchar(20) NULL,
    QEL_user varchar(20) NULL
);

CREATE TABLE dbo.PublicationType (
    id_publicationType int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_PublicationType PRIMARY KEY,
    publicationType varchar(20) NULL
);

-- Reference tables, read only ------------------------------------------------

CREATE TABLE dbo.t_fio (
    id_teacher int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_t_fio PRIMARY KEY,
    t_fio varchar(152) NULL
);

CREATE TABLE dbo.Working (
    id_working int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Working PRIMARY KEY,
    id_teacher int NULL,
    id_kafedra int NULL,
    post varchar(100) NULL
);

CREATE TABLE dbo.a_year (
    id_a_year int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_a_year PRIMARY KEY,
    p32 varchar(20) NULL,
    u_god int NULL
);

CREATE TABLE dbo.kafedra (
    id_kafedra int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_kafedra PRIMARY KEY,
    f1 varchar(200) NULL
);

-- The users of the module family. GET_USER checks password_md5 (32 upper-case
-- hexadecimal digits) and hands out db_login and db_password, the SQL Server
-- login that the user's session then runs under.
-- One login, one user: the session finds its user again by the login's text,
-- so QEL_login is unique in the column's collation (Cyrillic_General_CI_AS:
-- "Demo" and "demo" are one login).
CREATE TABLE dbo.QEL_User (
    id_QEL_user int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_QEL_User PRIMARY KEY,
    QEL_login varchar(50) NULL CONSTRAINT UQ_QEL_User_QEL_login UNIQUE,
    password_md5 varchar(32) NULL,
    password_term int NULL,
    db_login varchar(50) NULL,
    db_password varchar(50) NULL,
    message varchar(200) NULL,
    update_flag int NULL
);

CREATE TABLE dbo.User_Kafedra (
    id_user_kafedra int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_User_Kafedra PRIMARY KEY,
    id_login int NULL,
    id_kafedra int NULL
);

CREATE TABLE dbo.educ_sh (
    id_educ_sh int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_educ_sh PRIMARY KEY,
    id_a_year int NULL,
    id_kafedra int NULL,
    discipline varchar(200) NULL,
    hours int NULL
);

CREATE TABLE dbo.RRNK (
    id_rrnk int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_RRNK PRIMARY KEY,
    id_educ_sh int NULL,
    id_teacher int NULL
);

CREATE TABLE dbo.RRNKkrdt (
    id_rrnkkrdt int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_RRNKkrdt PRIMARY KEY,
    id_a_year int NULL,
    id_kafedra int NULL,
    id_teacher int NULL
);

CREATE TABLE dbo.Organization (
    id_organization int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Organization PRIMARY KEY,
    short_name varchar(20) NULL,
    full_name varchar(400) NULL
);

CREATE TABLE dbo.[Level] (
    id_Level int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Level PRIMARY KEY,
    l_level varchar(50) NULL
);

-- Teacher profile, one teacher's rows at a time -------------------------------

CREATE TABLE dbo.ScientificActivity (
    id_ScientificActivity int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_ScientificActivity PRIMARY KEY,
    id_t_fio int NULL,
    id_uch_step int NULL,
    id_uch_zvanie int NULL,
    id_spec_code int NULL,
    theme nvarchar(200) NULL,
    val1 nvarchar(300) NULL,
    val2 nvarchar(300) NULL,
    val3 nvarchar(300) NULL,
    yearProtection smallint NULL
);

CREATE TABLE dbo.Language_options (
    id_lang_options int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Language_options PRIMARY KEY,
    id_lang int NULL,
    id_level int NULL,
    id_teacher int NULL,
    id_level_read int NULL,
    id_level_speak int NULL,
    id_level_write int NULL,
    QEL_User varchar(20) NULL,
    QEL_Update date NULL
);

CREATE TABLE dbo.Publication (
    id_publication int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Publication PRIMARY KEY,
    id_publicationType int NULL,
    theme varchar(200) NULL,
    id_teacher int NULL,
    Pages int NULL,
    PublicationDate datetime NULL,
    Primech varchar(200) NULL
);

CREATE TABLE dbo.teacher_skills (
    id_teacher_skills int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_teacher_skills PRIMARY KEY,
    personal_skills varchar(500) NULL,
    computer_skills varchar(500) NULL,
    other_info varchar(500) NULL,
    id_teacher int NULL
);

CREATE TABLE dbo.organization_member (
    id_organization_member int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_organization_member PRIMARY KEY,
    id_organization int NULL,
    id_teacher int NULL
);

CREATE INDEX IX_ScientificActivity_teacher ON dbo.ScientificActivity (id_t_fio);
CREATE INDEX IX_Language_options_teacher ON dbo.Language_options (id_teacher);
CREATE INDEX IX_Publication_teacher ON dbo.Publication (id_teacher);
CREATE INDEX IX_teacher_skills_teacher ON dbo.teacher_skills (id_teacher);
CREATE INDEX IX_organization_member_teacher ON dbo.organization_member (id_teacher);
CREATE INDEX IX_Working_teacher ON dbo.Working (id_teacher);
CREATE INDEX IX_User_Kafedra_login ON dbo.User_Kafedra (id_login);
CREATE INDEX IX_educ_sh_year_kafedra ON dbo.educ_sh (id_a_year, id_kafedra);
CREATE INDEX IX_RRNK_educ_sh ON dbo.RRNK (id_educ_sh);
CREATE INDEX IX_RRNKkrdt_year_kafedra ON dbo.RRNKkrdt (id_a_year, id_kafedra);
CREATE INDEX IX_QEL_User_login ON dbo.QEL_User (QEL_login);
GO

-- Foreign keys ------------------------------------------------------------------
-- The profile tables refer to the dictionaries, so that an entry in use cannot
-- be deleted from under the profiles: the server refuses the DELETE (error 547)
-- and the program tells the user that the entry is in use. This part may be
-- run on its own on a QEL database that other modules already share: each key
-- and index is added only where it is missing. A key cannot be added while a
-- profile row refers to an entry that is not there; the server's refusal
-- names the key and the table. qel-check-server warns about a missing key.
IF OBJECT_ID(N'dbo.FK_ScientificActivity_uch_step', N'F') IS NULL
    ALTER TABLE dbo.ScientificActivity ADD CONSTRAINT FK_ScientificActivity_uch_step
        FOREIGN KEY (id_uch_step) REFERENCES dbo.uch_step (id_uch_stepen);
IF OBJECT_ID(N'dbo.FK_ScientificActivity_uch_zvanie', N'F') IS NULL
    ALTER TABLE dbo.ScientificActivity ADD CONSTRAINT FK_ScientificActivity_uch_zvanie
        FOREIGN KEY (id_uch_zvanie) REFERENCES dbo.uch_zvanie (id_uch_zvanie);
IF OBJECT_ID(N'dbo.FK_ScientificActivity_Spec_Code', N'F') IS NULL
    ALTER TABLE dbo.ScientificActivity ADD CONSTRAINT FK_ScientificActivity_Spec_Code
        FOREIGN KEY (id_spec_code) REFERENCES dbo.Spec_Code (id_spec_code);
IF OBJECT_ID(N'dbo.FK_Language_options_languages', N'F') IS NULL
    ALTER TABLE dbo.Language_options ADD CONSTRAINT FK_Language_options_languages
        FOREIGN KEY (id_lang) REFERENCES dbo.languages (id_lang);
IF OBJECT_ID(N'dbo.FK_Publication_PublicationType', N'F') IS NULL
    ALTER TABLE dbo.Publication ADD CONSTRAINT FK_Publication_PublicationType
        FOREIGN KEY (id_publicationType) REFERENCES dbo.PublicationType (id_publicationType);

-- Deleting a dictionary entry looks for the profile rows that use it.
IF INDEXPROPERTY(OBJECT_ID(N'dbo.ScientificActivity'), N'IX_ScientificActivity_uch_step', 'IndexID') IS NULL
    CREATE INDEX IX_ScientificActivity_uch_step ON dbo.ScientificActivity (id_uch_step);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.ScientificActivity'), N'IX_ScientificActivity_uch_zvanie', 'IndexID') IS NULL
    CREATE INDEX IX_ScientificActivity_uch_zvanie ON dbo.ScientificActivity (id_uch_zvanie);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.ScientificActivity'), N'IX_ScientificActivity_spec_code', 'IndexID') IS NULL
    CREATE INDEX IX_ScientificActivity_spec_code ON dbo.ScientificActivity (id_spec_code);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.Language_options'), N'IX_Language_options_lang', 'IndexID') IS NULL
    CREATE INDEX IX_Language_options_lang ON dbo.Language_options (id_lang);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.Publication'), N'IX_Publication_type', 'IndexID') IS NULL
    CREATE INDEX IX_Publication_type ON dbo.Publication (id_publicationType);
GO

-- Database roles, least privilege. The per-user database login and password
-- travel to the workstation (GET_USER returns them) and can be decoded there,
-- so whoever holds them may connect without the program: the roles grant what
-- the program needs and nothing more.
--
-- qel_gateway: the settings file's login. It may run GET_USER and nothing else
-- (the EXECUTE grant is in get_user.sql); the procedure reads and updates
-- dbo.QEL_User through ownership chaining, so the gateway reads no table.
--
-- qel_user: the per-user logins that GET_USER hands out.
CREATE ROLE qel_gateway;
CREATE ROLE qel_user;
GO

-- Reference tables, read only. Of QEL_User only the two columns that session
-- loading reads: never the password digests or the database logins.
GRANT SELECT ON dbo.t_fio TO qel_user;
GRANT SELECT ON dbo.Working TO qel_user;
GRANT SELECT ON dbo.a_year TO qel_user;
GRANT SELECT ON dbo.kafedra TO qel_user;
GRANT SELECT ON dbo.User_Kafedra TO qel_user;
GRANT SELECT ON dbo.educ_sh TO qel_user;
GRANT SELECT ON dbo.RRNK TO qel_user;
GRANT SELECT ON dbo.RRNKkrdt TO qel_user;
GRANT SELECT ON dbo.Organization TO qel_user;
GRANT SELECT ON dbo.[Level] TO qel_user;
GRANT SELECT ON dbo.QEL_User (id_QEL_user, QEL_login) TO qel_user;

-- The tables the program edits: the teacher profile and the five dictionaries.
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.ScientificActivity TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.Language_options TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.Publication TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.teacher_skills TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.organization_member TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.uch_step TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.uch_zvanie TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.Spec_Code TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.languages TO qel_user;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.PublicationType TO qel_user;
GO
