-- Demo data of the embedded server, loaded after schema.sql by qel-make-demo-db.
-- sql/README.md lists the facts that tests rely on.

-- Dictionaries. Table order is deliberately not alphabetical, so that the
-- sorted lists of the program differ from the stored order.

INSERT INTO uch_step (id_uch_stepen, k5, QEL_user) VALUES
    (1, 'кандидат наук', 'admin'),
    (2, 'доктор наук', 'admin'),
    (3, 'без степени', 'admin'),
    (4, 'доктор философии PhD', 'admin');

INSERT INTO uch_zvanie (id_uch_zvanie, k6, QEL_user) VALUES
    (1, 'доцент', 'admin'),
    (2, 'профессор', 'admin'),
    (3, 'без звания', 'admin'),
    (4, 'старший науч. сотр.', 'admin');

INSERT INTO Spec_Code (id_spec_code, spec_code) VALUES
    (1, '05.13.11'),
    (2, '05.13.01'),
    (3, '05.13.18'),
    (4, '08.00.05'),
    (5, '05.13.17'),
    (6, '13.00.02'),
    (7, '01.01.07');

INSERT INTO languages (id_lang, lang, QEL_user) VALUES
    (1, 'английский', 'admin'),
    (2, 'немецкий', 'admin'),
    (3, 'французский', 'admin'),
    (4, 'испанский', 'admin'),
    (5, 'китайский', 'admin'),
    (6, 'итальянский', 'admin'),
    (7, 'японский', 'admin');

INSERT INTO PublicationType (id_publicationType, publicationType) VALUES
    (1, 'статья'),
    (2, 'монография'),
    (3, 'тезисы доклада'),
    (4, 'учебное пособие'),
    (5, 'патент'),
    (6, 'учебник'),
    (7, 'свидетельство на ПО');

INSERT INTO Level (id_Level, l_level) VALUES
    (1, 'начальный'),
    (2, 'ниже среднего'),
    (3, 'средний'),
    (4, 'выше среднего'),
    (5, 'продвинутый'),
    (6, 'свободное владение');

INSERT INTO Organization (id_organization, short_name, full_name) VALUES
    (1, 'РАЕН', 'Российская академия естественных наук'),
    (2, 'IEEE', 'Institute of Electrical and Electronics Engineers'),
    (3, 'НТО РЭС им. Попова', 'Российское научно-техническое общество радиотехники, электроники и связи имени А. С. Попова'),
    (4, 'АИН РФ', 'Академия инженерных наук имени А. М. Прохорова'),
    (5, 'ДС Д 212.001.01', 'Диссертационный совет Д 212.001.01 по защите диссертаций на соискание учёной степени кандидата наук, на соискание учёной степени доктора наук при федеральном государственном бюджетном образовательном учреждении высшего образования'),
    (6, 'УМО ИВТ', 'Федеральное учебно-методическое объединение в системе высшего образования по укрупнённой группе специальностей и направлений подготовки «Информатика и вычислительная техника»');

-- Academic years: u_god is the year the academic year begins in.

INSERT INTO a_year (id_a_year, p32, u_god) VALUES
    (1, '2008/2009', 2008),
    (2, '2009/2010', 2009),
    (3, '2010/2011', 2010),
    (4, '2011/2012', 2011),
    (5, '2012/2013', 2012),
    (6, '2013/2014', 2013),
    (7, '2014/2015', 2014),
    (8, '2015/2016', 2015),
    (9, '2016/2017', 2016),
    (10, '2017/2018', 2017),
    (11, '2018/2019', 2018),
    (12, '2019/2020', 2019),
    (13, '2020/2021', 2020),
    (14, '2021/2022', 2021),
    (15, '2022/2023', 2022),
    (16, '2023/2024', 2023),
    (17, '2024/2025', 2024),
    (18, '2025/2026', 2025),
    (19, '2026/2027', 2026);

INSERT INTO kafedra (id_kafedra, f1) VALUES
    (1, 'Кафедра информационных систем и технологий'),
    (2, 'Кафедра прикладной математики и информатики'),
    (3, 'Кафедра высшей математики'),
    (4, 'Кафедра общей и теоретической физики'),
    (5, 'Кафедра иностранных языков'),
    (6, 'Кафедра экономики и управления на предприятии'),
    (7, 'Кафедра истории, философии и социальных наук');

-- Teachers: department k (its home department) has the ten teachers
-- 10k-9 .. 10k; a teacher's position in the department is (id_teacher - 1) % 10.
-- Teacher 10's name is longer than 50 characters.

INSERT INTO t_fio (id_teacher, t_fio) VALUES
    (1, 'Иванов Сергей Петрович'),
    (2, 'Смирнова Елена Викторовна'),
    (3, 'Кузнецов Андрей Николаевич'),
    (4, 'Попова Ольга Александровна'),
    (5, 'Васильев Дмитрий Игоревич'),
    (6, 'Петрова Наталья Сергеевна'),
    (7, 'Соколов Алексей Владимирович'),
    (8, 'Михайлова Татьяна Юрьевна'),
    (9, 'Новиков Павел Евгеньевич'),
    (10, 'Константинопольский-Преображенский Александр Вячеславович'),
    (11, 'Фёдоров Максим Андреевич'),
    (12, 'Морозова Ирина Валерьевна'),
    (13, 'Волков Николай Степанович'),
    (14, 'Алексеева Марина Олеговна'),
    (15, 'Лебедев Виктор Геннадьевич'),
    (16, 'Семёнова Анна Дмитриевна'),
    (17, 'Егоров Роман Борисович'),
    (18, 'Павлова Светлана Михайловна'),
    (19, 'Козлов Игорь Леонидович'),
    (20, 'Степанова Юлия Анатольевна'),
    (21, 'Николаев Артём Вадимович'),
    (22, 'Орлова Галина Фёдоровна'),
    (23, 'Андреев Константин Ильич'),
    (24, 'Макарова Людмила Петровна'),
    (25, 'Никитин Григорий Романович'),
    (26, 'Захарова Вера Николаевна'),
    (27, 'Зайцев Евгений Васильевич'),
    (28, 'Соловьёва Лариса Константиновна'),
    (29, 'Борисов Олег Тимофеевич'),
    (30, 'Яковлева Ксения Андреевна'),
    (31, 'Григорьев Валентин Семёнович'),
    (32, 'Романова Дарья Игоревна'),
    (33, 'Воробьёв Михаил Аркадьевич'),
    (34, 'Сергеева Оксана Викторовна'),
    (35, 'Кузьмин Станислав Юрьевич'),
    (36, 'Фролова Алла Геннадьевна'),
    (37, 'Александров Владимир Павлович'),
    (38, 'Дмитриева Нина Борисовна'),
    (39, 'Королёв Тимур Ринатович'),
    (40, 'Гусева Валентина Ивановна'),
    (41, 'Киселёв Антон Сергеевич'),
    (42, 'Ильина Евгения Львовна'),
    (43, 'Максимов Юрий Александрович'),
    (44, 'Полякова Елизавета Денисовна'),
    (45, 'Сорокин Кирилл Максимович'),
    (46, 'Виноградова Маргарита Олеговна'),
    (47, 'Ковалёв Василий Ефимович'),
    (48, 'Белова Зоя Аркадьевна'),
    (49, 'Медведев Илья Вячеславович'),
    (50, 'Антонова Полина Сергеевна'),
    (51, 'Тарасов Глеб Валерьевич'),
    (52, 'Жукова Регина Маратовна'),
    (53, 'Баранов Филипп Олегович'),
    (54, 'Филиппова Алина Игоревна'),
    (55, 'Комаров Леонид Матвеевич'),
    (56, 'Давыдова Тамара Васильевна'),
    (57, 'Беляев Эдуард Николаевич'),
    (58, 'Герасимова Софья Андреевна'),
    (59, 'Богданов Аркадий Викторович'),
    (60, 'Осипова Любовь Михайловна'),
    (61, 'Сидоров Пётр Григорьевич'),
    (62, 'Матвеева Валерия Денисовна'),
    (63, 'Титов Ярослав Игоревич'),
    (64, 'Маркова Екатерина Павловна'),
    (65, 'Миронов Вадим Альбертович'),
    (66, 'Крылова Инна Эдуардовна'),
    (67, 'Куликов Семён Данилович'),
    (68, 'Карпова Алёна Витальевна'),
    (69, 'Абрамов Руслан Хасанович'),
    (70, 'Шестакова Диана Рустамовна');

-- Employment: every teacher works in the home department except those at
-- position 8 (teachers 9, 19, .., 69), who are missing from the first teacher
-- list of the main window.
WITH staff AS (
    SELECT id_teacher, (id_teacher - 1) / 10 + 1 AS home, (id_teacher - 1) % 10 AS position FROM t_fio
)
INSERT INTO Working (id_teacher, id_kafedra, post)
SELECT id_teacher, home,
       CASE position WHEN 0 THEN 'заведующий кафедрой' WHEN 1 THEN 'профессор'
                     WHEN 2 THEN 'доцент' WHEN 3 THEN 'доцент'
                     WHEN 9 THEN 'доцент' ELSE 'старший преподаватель' END
FROM staff WHERE position <> 8 ORDER BY id_teacher;

-- Teaching load: two rows (lectures and practice) per department and year.
INSERT INTO educ_sh (id_a_year, id_kafedra, discipline, hours)
SELECT y.id_a_year, k.id_kafedra, l.discipline, l.hours
FROM a_year y
CROSS JOIN kafedra k
CROSS JOIN (SELECT 1 AS n, 'Лекционные занятия' AS discipline, 72 AS hours
            UNION ALL SELECT 2, 'Практические занятия', 108) l
ORDER BY y.id_a_year, k.id_kafedra, l.n;

-- Load through RRNK, in the home department only:
--   positions 0..6: every year except those with (id_teacher + u_god) % 6 = 0;
--                   even positions teach lectures, odd ones practice, and
--                   position 0 both (two RRNK rows for one year);
--   position 9:     lectures from 2015 on;
--   positions 7, 8: never.
WITH staff AS (
    SELECT id_teacher, (id_teacher - 1) / 10 + 1 AS home, (id_teacher - 1) % 10 AS position FROM t_fio
)
INSERT INTO RRNK (id_educ_sh, id_teacher)
SELECT e.id_educ_sh, s.id_teacher
FROM staff s
JOIN educ_sh e ON e.id_kafedra = s.home
JOIN a_year y ON y.id_a_year = e.id_a_year
WHERE (s.position <= 6 AND (s.id_teacher + y.u_god) % 6 <> 0
       AND (s.position = 0 OR (e.discipline = 'Лекционные занятия') = (s.position % 2 = 0)))
   OR (s.position = 9 AND y.u_god >= 2015 AND e.discipline = 'Лекционные занятия')
ORDER BY e.id_educ_sh, s.id_teacher;

-- Load through RRNKkrdt:
--   positions 0, 1: home department, every year (so also through RRNK);
--   positions 7, 8: home department, every year (only through RRNKkrdt);
--   position 9:     home department before 2015 (RRNK takes over from 2015);
--   position 2:     the next department (7 wraps to 1) in odd years, a
--                   department where that teacher has no RRNK load.
WITH staff AS (
    SELECT id_teacher, (id_teacher - 1) / 10 + 1 AS home, (id_teacher - 1) % 10 AS position FROM t_fio
)
INSERT INTO RRNKkrdt (id_a_year, id_kafedra, id_teacher)
SELECT y.id_a_year, s.home, s.id_teacher
FROM staff s CROSS JOIN a_year y
WHERE s.position IN (0, 1, 7, 8) OR (s.position = 9 AND y.u_god < 2015)
UNION ALL
SELECT y.id_a_year, s.home % 7 + 1, s.id_teacher
FROM staff s CROSS JOIN a_year y
WHERE s.position = 2 AND y.u_god % 2 = 1
ORDER BY 1, 2, 3;

-- Profiles of a few teachers of department 1. Teacher 3 has no degree;
-- teacher 10's row shows the cut long name.

INSERT INTO ScientificActivity (id_t_fio, id_uch_step, id_uch_zvanie, id_spec_code, theme, val1, val2, val3, yearProtection) VALUES
    (1, 1, 1, 1, 'Методы и средства проектирования распределённых информационных систем вуза', NULL, NULL, NULL, 2009),
    (2, 2, 2, 3, 'Математическое моделирование процессов тепломассопереноса в пористых средах', 'Диссертационный совет Д 212.001.01', NULL, NULL, 2015),
    (3, NULL, 3, 5, 'Модели и алгоритмы защиты информации в корпоративных сетях', NULL, NULL, NULL, 2012),
    (10, 1, 1, 2, 'Автоматизация управления учебным процессом на основе онтологий', NULL, NULL, NULL, 2011);

INSERT INTO Language_options (id_lang, id_level, id_teacher, id_level_read, id_level_speak, id_level_write, QEL_User, QEL_Update) VALUES
    (1, 5, 1, 5, 4, 4, 'demo', '2024-09-02'),
    (2, 2, 1, 2, 1, 1, 'demo', '2024-09-02'),
    (1, 6, 2, 5, 5, 5, 'demo', '2024-09-03'),
    (3, 3, 3, 3, 2, 2, NULL, NULL);

INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, PublicationDate, Primech) VALUES
    (1, 'Распределённая обработка данных в информационных системах вуза', 1, 12, '2021-03-15 00:00:00', 'Вестник университета, № 2'),
    (2, 'Проектирование корпоративных информационных систем', 1, 212, '2019-11-01 00:00:00', NULL),
    (3, 'Сервисная архитектура системы учёта научной деятельности', 1, 3, '2023-04-20 00:00:00', 'Материалы научно-технической конференции'),
    (1, 'О численном решении краевых задач для уравнений параболического типа', 2, 9, '2022-06-10 00:00:00', NULL),
    (4, 'Численные методы', 2, 148, '2020-09-01 00:00:00', 'Гриф УМО'),
    (7, 'Программа анализа сетевого трафика', 3, 1, '2018-12-24 00:00:00', NULL);

INSERT INTO teacher_skills (personal_skills, computer_skills, other_info, id_teacher) VALUES
    ('Ответственность, умение работать в команде', 'C++, Python, Microsoft SQL Server, Linux', 'Руководитель студенческого научного кружка', 1),
    ('Организаторские способности', 'MATLAB, Maple, LaTeX', 'Член редколлегии научного журнала', 2);

INSERT INTO organization_member (id_organization, id_teacher) VALUES
    (2, 1),
    (3, 1),
    (1, 2),
    (5, 2),
    (6, 2),
    (2, 3);

-- Sign-in. password_md5 is MD5 over the Windows-1251 bytes of the password:
--   demo / demo2026, expired / expired2026, blocked / blocked2026,
--   новый / пароль2026.
-- Each user has a database login of its own; qel_gate is the settings file's
-- login, which may only call GET_USER.

INSERT INTO QEL_User (id_QEL_user, QEL_login, password_md5, password_term, db_login, db_password, message, update_flag) VALUES
    (1, 'demo', '155F06B993E3E522EEEF5DD556460C96', 60, 'qel_demo', 'Dm7419kq', NULL, 0),
    (2, 'expired', 'B63B6B4D92B241F8EE743DC65FF9BAC0', -1, 'qel_expired', 'Ex2231mv', NULL, 0),
    (3, 'blocked', '3FB6DCD54E3CED974137149EF94FB4EB', 60, 'qel_blocked', 'Bl5580rt', 'Учётная запись заблокирована. Обратитесь к администратору.', 0),
    (4, 'новый', 'A6723F9C5CD126B4E53271D4D582C5A8', 45, 'qel_novyi', 'Nv9034pz', NULL, 0);

INSERT INTO User_Kafedra (id_login, id_kafedra) VALUES
    (1, 1),
    (1, 2),
    (1, 4),
    (2, 1),
    (3, 3),
    (4, 5),
    (4, 6);

INSERT INTO server_logins (login, password, role) VALUES
    ('qel_gate', 'gate2026', 'gateway'),
    ('qel_demo', 'Dm7419kq', 'user'),
    ('qel_expired', 'Ex2231mv', 'user'),
    ('qel_blocked', 'Bl5580rt', 'user'),
    ('qel_novyi', 'Nv9034pz', 'user');
