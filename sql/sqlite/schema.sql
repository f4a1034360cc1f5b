-- QEL database for the embedded server (SQLite).
--
-- Mirrors the tables of the shared SQL Server database QEL (sql/sqlserver/schema.sql)
-- that the program reads and writes. Declared types are part of the contract:
-- the data layer maps them to field types, so only these spellings are used:
--   INTEGER                            32-bit integer
--   INTEGER PRIMARY KEY AUTOINCREMENT  key assigned by the server on insert
--   SMALLINT                           16-bit integer
--   VARCHAR(n)                         8-bit text of at most n characters
--   NVARCHAR(n)                        Unicode text of at most n characters
--   DATE, DATETIME                     ISO 8601 text: 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM:SS'
-- The profile tables' references to the five dictionaries are foreign keys, so
-- that an entry in use cannot be deleted (the embedded server turns on
-- PRAGMA foreign_keys on every connection); every other relation is kept by
-- value only, and there are no CHECK constraints.
-- QEL_User's last six columns and server_logins belong to the embedded server
-- (see sql/README.md).

-- Dictionaries, edited in the dictionary window ------------------------------

CREATE TABLE uch_step (
    id_uch_stepen INTEGER PRIMARY KEY AUTOINCREMENT,
    k5 VARCHAR(20),
    QEL_user VARCHAR(20)
);

CREATE TABLE uch_zvanie (
    id_uch_zvanie INTEGER PRIMARY KEY AUTOINCREMENT,
    k6 VARCHAR(20),
    QEL_user VARCHAR(20)
);

CREATE TABLE Spec_Code (
    id_spec_code INTEGER PRIMARY KEY AUTOINCREMENT,
    spec_code VARCHAR(20)
);

CREATE TABLE languages (
    id_lang INTEGER PRIMARY KEY AUTOINCREMENT,
    lang VARCHAR(20),
    QEL_user VARCHAR(20)
);

CREATE TABLE PublicationType (
    id_publicationType INTEGER PRIMARY KEY AUTOINCREMENT,
    publicationType VARCHAR(20)
);

-- Reference tables, read only ------------------------------------------------

CREATE TABLE t_fio (
    id_teacher INTEGER PRIMARY KEY AUTOINCREMENT,
    t_fio VARCHAR(152)
);

CREATE TABLE Working (
    id_working INTEGER PRIMARY KEY AUTOINCREMENT,
    id_teacher INTEGER,
    id_kafedra INTEGER,
    post VARCHAR(100)
);

CREATE TABLE a_year (
    id_a_year INTEGER PRIMARY KEY,
    p32 VARCHAR(20),
    u_god INTEGER
);

CREATE TABLE kafedra (
    id_kafedra INTEGER PRIMARY KEY,
    f1 VARCHAR(200)
);

CREATE TABLE QEL_User (
    id_QEL_user INTEGER PRIMARY KEY,
    QEL_login VARCHAR(50),
    password_md5 VARCHAR(32),
    password_term INTEGER,
    db_login VARCHAR(50),
    db_password VARCHAR(50),
    message VARCHAR(200),
    update_flag INTEGER,
    -- The embedded server's own: the login on its way to lower case, for the
    -- unique index below (in two steps: SQLite's parser takes only about
    -- thirty nested calls in one expression). Nobody writes it.
    QEL_login_folding VARCHAR(50) GENERATED ALWAYS AS (
        replace(replace(replace(replace(replace(replace(replace(replace(
        replace(replace(replace(replace(replace(replace(replace(replace(
        replace(replace(replace(replace(replace(replace(replace(replace(
        QEL_login,
        'А', 'а'), 'Б', 'б'), 'В', 'в'), 'Г', 'г'), 'Д', 'д'), 'Е', 'е'), 'Ж', 'ж'), 'З', 'з'),
        'И', 'и'), 'Й', 'й'), 'К', 'к'), 'Л', 'л'), 'М', 'м'), 'Н', 'н'), 'О', 'о'), 'П', 'п'),
        'Р', 'р'), 'С', 'с'), 'Т', 'т'), 'У', 'у'), 'Ф', 'ф'), 'Х', 'х'), 'Ц', 'ц'), 'Ч', 'ч')
    ) VIRTUAL
);

-- One login, one user: the session finds its user again by the login's text,
-- which the embedded server compares without regard to case, Cyrillic too.
-- SQLite's lower() folds only A-Z, so the other capitals of Windows-1251 are
-- folded by name; built-in functions only, so that every connection, the
-- tools' plain ones included, can keep this index. What the collation ignores
-- goes too: the soft hyphen (char(173)), so "de-mo" with one is "demo".
CREATE UNIQUE INDEX UQ_QEL_User_QEL_login ON QEL_User (lower(replace(
    replace(replace(replace(replace(replace(replace(replace(replace(
    replace(replace(replace(replace(replace(replace(replace(replace(
    replace(replace(replace(replace(replace(replace(replace(
    QEL_login_folding,
    'Ш', 'ш'), 'Щ', 'щ'), 'Ъ', 'ъ'), 'Ы', 'ы'), 'Ь', 'ь'), 'Э', 'э'), 'Ю', 'ю'), 'Я', 'я'),
    'Ё', 'ё'), 'Ђ', 'ђ'), 'Ѓ', 'ѓ'), 'Є', 'є'), 'Ѕ', 'ѕ'), 'І', 'і'), 'Ї', 'ї'), 'Ј', 'ј'),
    'Љ', 'љ'), 'Њ', 'њ'), 'Ћ', 'ћ'), 'Ќ', 'ќ'), 'Ў', 'ў'), 'Џ', 'џ'), 'Ґ', 'ґ'),
    char(173), '')
));

CREATE TABLE User_Kafedra (
    id_user_kafedra INTEGER PRIMARY KEY AUTOINCREMENT,
    id_login INTEGER,
    id_kafedra INTEGER
);

CREATE TABLE educ_sh (
    id_educ_sh INTEGER PRIMARY KEY AUTOINCREMENT,
    id_a_year INTEGER,
    id_kafedra INTEGER,
    discipline VARCHAR(200),
    hours INTEGER
);

CREATE TABLE RRNK (
    id_rrnk INTEGER PRIMARY KEY AUTOINCREMENT,
    id_educ_sh INTEGER,
    id_teacher INTEGER
);

CREATE TABLE RRNKkrdt (
    id_rrnkkrdt INTEGER PRIMARY KEY AUTOINCREMENT,
    id_a_year INTEGER,
    id_kafedra INTEGER,
    id_teacher INTEGER
);

CREATE TABLE Organization (
    id_organization INTEGER PRIMARY KEY,
    short_name VARCHAR(20),
    full_name VARCHAR(400)
);

CREATE TABLE Level (
    id_Level INTEGER PRIMARY KEY,
    l_level VARCHAR(50)
);

-- Teacher profile, one teacher's rows at a time -------------------------------

CREATE TABLE ScientificActivity (
    id_ScientificActivity INTEGER PRIMARY KEY AUTOINCREMENT,
    id_t_fio INTEGER,
    id_uch_step INTEGER REFERENCES uch_step (id_uch_stepen),
    id_uch_zvanie INTEGER REFERENCES uch_zvanie (id_uch_zvanie),
    id_spec_code INTEGER REFERENCES Spec_Code (id_spec_code),
    theme NVARCHAR(200),
    val1 NVARCHAR(300),
    val2 NVARCHAR(300),
    val3 NVARCHAR(300),
    yearProtection SMALLINT
);

CREATE TABLE Language_options (
    id_lang_options INTEGER PRIMARY KEY AUTOINCREMENT,
    id_lang INTEGER REFERENCES languages (id_lang),
    id_level INTEGER,
    id_teacher INTEGER,
    id_level_read INTEGER,
    id_level_speak INTEGER,
    id_level_write INTEGER,
    QEL_User VARCHAR(20),
    QEL_Update DATE
);

CREATE TABLE Publication (
    id_publication INTEGER PRIMARY KEY AUTOINCREMENT,
    id_publicationType INTEGER REFERENCES PublicationType (id_publicationType),
    theme VARCHAR(200),
    id_teacher INTEGER,
    Pages INTEGER,
    PublicationDate DATETIME,
    Primech VARCHAR(200)
);

CREATE TABLE teacher_skills (
    id_teacher_skills INTEGER PRIMARY KEY AUTOINCREMENT,
    personal_skills VARCHAR(500),
    computer_skills VARCHAR(500),
    other_info VARCHAR(500),
    id_teacher INTEGER
);

CREATE TABLE organization_member (
    id_organization_member INTEGER PRIMARY KEY AUTOINCREMENT,
    id_organization INTEGER,
    id_teacher INTEGER
);

-- The embedded server's database logins ---------------------------------------

CREATE TABLE server_logins (
    login TEXT PRIMARY KEY,
    password TEXT,
    role TEXT
);

-- Every profile statement selects one teacher's rows; the teacher list joins
-- the teaching load by year and department.
CREATE INDEX ix_ScientificActivity_teacher ON ScientificActivity (id_t_fio);
CREATE INDEX ix_Language_options_teacher ON Language_options (id_teacher);
CREATE INDEX ix_Publication_teacher ON Publication (id_teacher);
CREATE INDEX ix_teacher_skills_teacher ON teacher_skills (id_teacher);
CREATE INDEX ix_organization_member_teacher ON organization_member (id_teacher);
CREATE INDEX ix_Working_teacher ON Working (id_teacher);
CREATE INDEX ix_User_Kafedra_login ON User_Kafedra (id_login);
CREATE INDEX ix_educ_sh_year_kafedra ON educ_sh (id_a_year, id_kafedra);
CREATE INDEX ix_RRNK_educ_sh ON RRNK (id_educ_sh);
CREATE INDEX ix_RRNKkrdt_year_kafedra ON RRNKkrdt (id_a_year, id_kafedra);
CREATE INDEX ix_QEL_User_login ON QEL_User (QEL_login);

-- Deleting a dictionary entry looks for the profile rows that use it.
CREATE INDEX ix_ScientificActivity_uch_step ON ScientificActivity (id_uch_step);
CREATE INDEX ix_ScientificActivity_uch_zvanie ON ScientificActivity (id_uch_zvanie);
CREATE INDEX ix_ScientificActivity_spec_code ON ScientificActivity (id_spec_code);
CREATE INDEX ix_Language_options_lang ON Language_options (id_lang);
CREATE INDEX ix_Publication_type ON Publication (id_publicationType);
