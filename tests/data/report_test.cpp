#include "data_fixture.h"

#include "csv_reader.h"
#include "reports/report_document.h"
#include "reports/report_files.h"
#include "reports/report_scope.h"
#include "data/session_loading.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextTable>

#include <private/qzipreader_p.h>

#include <iostream>

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

const QDate kMade(2025, 2, 3);

class ReportTest : public DataModuleTest {
protected:
    void SetUp() override
    {
        DataModuleTest::SetUp();
        loadSessionData(dm);
    }
    reports::AcademicYear year(const QString& caption) const
    {
        const auto found = reports::findYear(dm, caption);
        EXPECT_TRUE(found) << caption.toStdString();
        return found.value_or(reports::AcademicYear{});
    }
    reports::Department firstDepartment() const { return *reports::findDepartment(dm, QVariant(1)); }
    reports::DepartmentPublications publicationsOf(const QString& caption)
    {
        return reports::readDepartmentPublications(*dm.ADOCon, firstDepartment(), year(caption), kMade);
    }
    void addWork(int teacher, const QString& type, const QString& title, const QString& date, const QString& pages,
                 const QString& note = {})
    {
        demo.sql(QStringLiteral("INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, "
                                "PublicationDate, Primech) VALUES (%1, '%2', %3, %4, %5, '%6')")
                     .arg(type)
                     .arg(title)
                     .arg(teacher)
                     .arg(pages, date == u"NULL" ? date : u'\'' + date + u'\'', note));
    }
    void addPublication(int teacher, int type, const QString& date, const QString& pages)
    {
        demo.sql(QStringLiteral("INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, "
                                "PublicationDate) VALUES (%1, 'Работа %2 от %3', %2, %4, '%3')")
                     .arg(type)
                     .arg(teacher)
                     .arg(date, pages));
    }
    QString file(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

// The texts appear in this order in the document (each after the previous);
// the first one missing is reported.
::testing::AssertionResult inOrder(const QString& text, const QStringList& expected)
{
    qsizetype from = 0;
    for (const QString& item : expected) {
        const qsizetype at = text.indexOf(item, from);
        if (at < 0)
            return ::testing::AssertionFailure() << '"' << item.toStdString() << "\" is missing after position "
                                                 << from << " of:\n" << text.toStdString();
        from = at + item.size();
    }
    return ::testing::AssertionSuccess();
}

int pdfPages(const QString& path)
{
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = pdf.readAll();
    if (!bytes.startsWith("%PDF-"))
        return -1;
    // Page objects, not the /Type /Pages tree above them.
    static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page(?![A-Za-z]))"));
    int pages = 0;
    for (auto match = page.globalMatch(QString::fromLatin1(bytes)); match.hasNext(); match.next())
        ++pages;
    return pages;
}

// A program of poppler-utils or LibreOffice, or empty where there is none (under
// Wine the Linux programs cannot be started).
QString linuxProgram(const QString& name)
{
#ifdef Q_OS_WIN
    Q_UNUSED(name);
    return {};
#else
    return QStandardPaths::findExecutable(name);
#endif
}

// The text of each page of a PDF, by pdftotext.
QStringList pdfPageTexts(const QString& path)
{
    QProcess tool;
    tool.start(linuxProgram(QStringLiteral("pdftotext")), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Where each word of a PDF's first page begins, in millimetres from the
// page's left edge (the word's first place in reading order), by pdftotext -bbox.
QHash<QString, double> wordPositions(const QString& path)
{
    QProcess tool;
    tool.start(linuxProgram(QStringLiteral("pdftotext")),
               {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                QStringLiteral("1"), path, QStringLiteral("-")});
    QHash<QString, double> positions;
    if (!tool.waitForFinished(60000))
        return positions;
    static const QRegularExpression word(QStringLiteral(R"re(<word xMin="([0-9.]+)"[^>]*>([^<]*)</word>)re"));
    for (auto match = word.globalMatch(QString::fromUtf8(tool.readAllStandardOutput())); match.hasNext();) {
        const auto found = match.next();
        if (!positions.contains(found.captured(2)))
            positions.insert(found.captured(2), found.captured(1).toDouble() * 25.4 / 72);
    }
    return positions;
}

// The ODT converted to PDF by LibreOffice headless; empty when it fails.
QString libreOfficePdf(const QString& odt, const QString& folder)
{
    QProcess office;
    office.start(linuxProgram(QStringLiteral("libreoffice")),
                 {QStringLiteral("-env:UserInstallation=file://") + folder + QStringLiteral("/profile"),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                  QStringLiteral("--outdir"), folder + QStringLiteral("/office"), odt});
    if (!office.waitForFinished(120000) || office.exitCode() != 0)
        return {};
    const QString pdf = folder + QStringLiteral("/office/") + QFileInfo(odt).completeBaseName() + QStringLiteral(".pdf");
    return QFile::exists(pdf) ? pdf : QString();
}

QByteArray odtPart(const QString& path, const QString& part)
{
    QZipReader zip(path);
    return zip.fileData(part);
}

TEST_F(ReportTest, TheProfileOfADemoTeacherHoldsEverySectionInOrderAndNumbersThePublications)
{
    const auto teacher = reports::Teacher{1, QStringLiteral("Иванов Сергей Петрович")};
    const reports::TeacherProfile profile =
        reports::readTeacherProfile(*dm.ADOCon, teacher, firstDepartment(), year(QStringLiteral("2023/2024")), kMade);
    const QString text = reports::makeProfileDocument(profile)->toRawText();
    EXPECT_TRUE(inOrder(text, {
        "Профиль преподавателя", "Иванов Сергей Петрович", "Кафедра информационных систем и технологий",
        "Публикации: за все годы", "03.02.2025",
        "Учёная степень и звание", "кандидат наук", "доцент",
        "Методы и средства проектирования распределённых информационных систем вуза", "05.13.11", "2009",
        "Знание языков", "английский", "продвинутый", "5", "4", "4", "немецкий", "ниже среднего", "2", "1", "1",
        "Публикации",
        "1. монография", "Проектирование корпоративных информационных систем", "01.11.2019", "212\u00A0с.",
        "2. статья", "Распределённая обработка данных в информационных системах вуза", "15.03.2021", "12",
        "Вестник университета, № 2",
        "3. тезисы доклада", "Сервисная архитектура системы учёта научной деятельности", "20.04.2023", "3",
        "Материалы научно-технической конференции",
        "Членство в организациях", "IEEE", "Institute of Electrical and Electronics Engineers",
        "НТО РЭС им. Попова", "Российское научно-техническое общество радиотехники, электроники и связи имени А. С. Попова",
        "Личные навыки", "Ответственность, умение работать в команде",
        "Компьютерные навыки", "C++, Python, Microsoft SQL Server, Linux",
        "Дополнительная информация", "Руководитель студенческого научного кружка"}));
    EXPECT_THAT(text.toStdString(), ::testing::Not(::testing::HasSubstr("нет данных")));
    EXPECT_THAT(text.toStdString(), ::testing::Not(::testing::HasSubstr("Учебный год")));
    EXPECT_THAT(text.toStdString(), ::testing::Not(::testing::HasSubstr("12 с.")));

    // A degree the dictionary does not have reads as empty; a teacher
    // without rows keeps every section, saying so.
    const reports::TeacherProfile third = reports::readTeacherProfile(
        *dm.ADOCon, {3, QStringLiteral("Кузнецов Андрей Николаевич")}, firstDepartment(), year("2023/2024"), kMade);
    ASSERT_EQ(third.scientific.size(), 1);
    EXPECT_EQ(third.scientific[0].degree, QString());
    EXPECT_EQ(third.scientific[0].title, QStringLiteral("без звания"));
    const QString empty = reports::makeProfileDocument(reports::readTeacherProfile(
        *dm.ADOCon, {4, QStringLiteral("Попова Ольга Александровна")}, firstDepartment(), year("2023/2024"), kMade))
                              ->toRawText();
    EXPECT_EQ(empty.count(QStringLiteral("нет данных")), 7) << empty.toStdString();

    // One A4 page, and the same document as OpenDocument.
    EXPECT_EQ(reports::savePdf(*reports::makeProfileDocument(profile), file("profile.pdf")), 1);
    EXPECT_EQ(pdfPages(file("profile.pdf")), 1);
    reports::saveOdt(*reports::makeProfileDocument(profile), file("profile.odt"));
    QFile odt(file("profile.odt"));
    ASSERT_TRUE(odt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(odt.readAll().contains("application/vnd.oasis.opendocument.text"));
    // Real lengths for the columns (15 % of the 17 cm text width), the
    // document's size and the PDF's page in the styles.
    const QByteArray content = odtPart(file("profile.odt"), "content.xml");
    EXPECT_TRUE(content.contains(R"(style:column-width="2.550cm")")) << content.toStdString();
    EXPECT_FALSE(content.contains(R"(%")"));
    const QByteArray styles = odtPart(file("profile.odt"), "styles.xml");
    EXPECT_TRUE(styles.contains(R"(fo:font-size="9pt")"));
    EXPECT_TRUE(styles.contains(R"(fo:page-width="21.000cm" fo:page-height="29.700cm")"));
    EXPECT_TRUE(styles.contains("<text:page-number"));
    EXPECT_TRUE(odtPart(file("profile.odt"), "META-INF/manifest.xml").contains(R"(manifest:full-path="styles.xml")"));
}

// LibreOffice opens the ODT with the columns as wide as in the program's own
// PDF and on as many pages.
TEST_F(ReportTest, LibreOfficeLaysTheOdtOutAsTheProgramsPdf)
{
    if (linuxProgram(QStringLiteral("libreoffice")).isEmpty() || linuxProgram(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "needs LibreOffice (libreoffice-writer-nogui) and pdftotext (poppler-utils), which run on "
                        "Linux only";
    addWork(1, "4", "Основы проектирования баз данных", "2022-02-01 00:00:00", "120", "Учебное пособие. — М.: Наука");
    const auto teacher = reports::Teacher{1, QStringLiteral("Иванов Сергей Петрович")};
    const auto profile =
        reports::readTeacherProfile(*dm.ADOCon, teacher, firstDepartment(), year(QStringLiteral("2023/2024")), kMade);
    const auto works = reports::readTeacherWorks(*dm.ADOCon, teacher, firstDepartment(),
                                                 reports::ReportPeriod::calendarYears(2019, 2024), kMade);
    struct Case {
        QString name;
        std::unique_ptr<QTextDocument> document;
        QStringList columnWords; // a word of each column's title found nowhere before it
    };
    Case cases[] = {
        {"profile", reports::makeProfileDocument(profile), {"Учёное", "диссертации", "Шифр", "защиты"}},
        {"works", reports::makeWorksDocument(works), {"Наименование", "Форма", "Выходные", "Объём", "Соавторы"}},
    };
    for (Case& c : cases) {
        const int pages = reports::savePdf(*c.document, file(c.name + ".pdf"));
        reports::saveOdt(*c.document, file(c.name + ".odt"));
        const QString office = libreOfficePdf(file(c.name + ".odt"), folder.path());
        ASSERT_FALSE(office.isEmpty()) << c.name.toStdString();
        EXPECT_EQ(pdfPages(office), pages) << c.name.toStdString();
        const auto ours = wordPositions(file(c.name + ".pdf"));
        const auto theirs = wordPositions(office);
        for (const QString& word : c.columnWords) {
            ASSERT_TRUE(ours.contains(word) && theirs.contains(word)) << word.toStdString();
            // Within 2 mm: a cell's padding differs a little, not a column's width.
            EXPECT_NEAR(theirs.value(word), ours.value(word), 2.0)
                << c.name.toStdString() << ": " << word.toStdString();
        }
    }
}

TEST_F(ReportTest, TheDepartmentsSummaryAddsUpAndAYearEndsOn31August)
{
    addPublication(1, 1, "2023-09-01 00:00:00", "10");  // the first day of 2023/2024
    addPublication(1, 1, "2024-08-31 18:30:00", "5");   // its last day
    addPublication(1, 2, "2023-08-31 00:00:00", "100"); // the last day of 2022/2023
    addPublication(1, 2, "2024-09-01 00:00:00", "50");  // the first of 2024/2025
    addPublication(2, 3, "2024-01-15 00:00:00", "NULL");
    addPublication(63, 1, "2024-03-01 00:00:00", "7");  // listed through RRNKkrdt only
    addPublication(11, 1, "2024-03-01 00:00:00", "9");  // another department's teacher

    const reports::DepartmentPublications current = publicationsOf(QStringLiteral("2023/2024"));
    ASSERT_EQ(current.teachers.size(), 10); // as the teacher picker lists them
    EXPECT_EQ(current.teachers.front().teacher.name, QStringLiteral("Иванов Сергей Петрович"));
    const auto& first = current.teachers.front().publications;
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0].date, QDate(2023, 9, 1));
    EXPECT_EQ(first[1].date, QDate(2024, 8, 31));
    const auto totals = current.totalsByType();
    ASSERT_EQ(totals.size(), 2);
    EXPECT_EQ(totals[0].type, QStringLiteral("статья"));
    EXPECT_EQ(totals[0].count, 3);
    EXPECT_EQ(totals[0].pages, 22);
    EXPECT_EQ(totals[1].type, QStringLiteral("тезисы доклада"));
    EXPECT_EQ(totals[1].count, 1);
    EXPECT_EQ(totals[1].pages, 0);
    EXPECT_EQ(current.total().count, 4);
    EXPECT_EQ(current.total().pages, 22);

    const auto document = reports::makePublicationsDocument(current);
    const QString text = document->toRawText();
    EXPECT_TRUE(inOrder(text, {"Кафедра информационных систем и технологий", "2023/2024 учебный год", "01.09.2023",
                               "31.08.2024", "Иванов Сергей Петрович", "1. статья", "01.09.2023", "10\u00A0с.",
                               "2. статья", "31.08.2024", "5\u00A0с.", "Смирнова Елена Викторовна",
                               "1. тезисы доклада", "Итого по видам публикаций", "статья", "3", "22",
                               "тезисы доклада", "1", "0", "Всего", "4", "22", "в том числе совместных", "0",
                               "в том числе без даты", "0"}));
    // The "Всего" row is bold, the types' rows are not.
    std::map<QString, bool> bold;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        if (block.begin() != block.end())
            bold[block.text()] = block.begin().fragment().charFormat().fontWeight() == QFont::Bold;
    EXPECT_TRUE(bold[QStringLiteral("Всего")]);
    EXPECT_TRUE(bold[QStringLiteral("4")]); // the row's count
    EXPECT_FALSE(bold[QStringLiteral("статья")]);
    EXPECT_FALSE(bold[QStringLiteral("3")]);
    EXPECT_EQ(text.count(QStringLiteral("нет публикаций")), 7);
    EXPECT_FALSE(text.contains(QStringLiteral("Работа 11")));

    // The day before belongs to the year before.
    QList<QDate> dates;
    for (const reports::TeacherPublications& teacher : publicationsOf(QStringLiteral("2022/2023")).teachers)
        for (const reports::Publication& p : teacher.publications)
            dates << p.date;
    EXPECT_THAT(dates, ElementsAre(QDate(2023, 4, 20), QDate(2023, 8, 31)));

    // CSV: one row per publication with the teacher, no summary.
    const QList<QStringList> csv = readCsv(reports::makePublicationsCsv(current).data());
    ASSERT_EQ(csv.size(), 5);
    EXPECT_EQ(csv[0], (QStringList{"Кафедра", "Период", "Преподаватель", "№", "Вид публикации", "Тема", "Дата",
                                   "Страниц", "Примечание"}));
    EXPECT_EQ(csv[2], (QStringList{"Кафедра информационных систем и технологий", "2023/2024 учебный год",
                                   "Иванов Сергей Петрович", "2", "статья", "Работа 1 от 2024-08-31 18:30:00",
                                   "31.08.2024", "5", ""}));
}

TEST_F(ReportTest, AJointWorkCountsOnceAnUndatedOneIsListedAndCountedAndACalendarYearMayBeChosen)
{
    // One work entered by two teachers (letter case aside), another of the same
    // title on another day, one undated, one of December in the academic year.
    addWork(1, "1", "Общая статья о данных", "2024-02-10 00:00:00", "8");
    addWork(2, "1", "общая статья о данных", "2024-02-10 00:00:00", "8");
    addWork(2, "1", "Общая статья о данных", "2024-03-10 00:00:00", "4");
    addWork(3, "3", "Работа без даты", "NULL", "5");
    addWork(4, "1", "Что такое онтология?", "2023-12-01 00:00:00", "NULL");

    const reports::DepartmentPublications academic = publicationsOf(QStringLiteral("2023/2024"));
    const auto summary = academic.summary();
    EXPECT_EQ(summary.all.count, 4);
    EXPECT_EQ(summary.all.pages, 17);
    EXPECT_EQ(summary.joint, 1);
    EXPECT_EQ(summary.undated, 1);
    ASSERT_EQ(summary.byType.size(), 2);
    EXPECT_EQ(summary.byType[0].count, 3); // статья
    EXPECT_EQ(summary.byType[0].pages, 12);
    const QString text = reports::makePublicationsDocument(academic)->toRawText();
    EXPECT_TRUE(inOrder(text, {"Иванов Сергей Петрович", "Общая статья о данных. 10.02.2024",
                               "Кузнецов Андрей Николаевич", "Работа без даты. дата не указана, 5\u00A0с.",
                               "Попова Ольга Александровна", "Что такое онтология? 01.12.2023",
                               "Смирнова Елена Викторовна", "общая статья о данных. 10.02.2024",
                               "Общая статья о данных. 10.03.2024", "Всего", "4", "17",
                               "в том числе совместных", "1", "в том числе без даты", "1"}));
    EXPECT_FALSE(text.contains(QStringLiteral("?.")));
    // The undated work is in the CSV too.
    const QList<QStringList> csv = readCsv(reports::makePublicationsCsv(academic).data());
    EXPECT_TRUE(std::any_of(csv.begin(), csv.end(), [](const QStringList& row) {
        return row.value(5) == "Работа без даты" && row.value(6) == "дата не указана";
    }));

    // The calendar year 2024 leaves December 2023 out; the undated stay.
    const reports::DepartmentPublications calendar = reports::readDepartmentPublications(
        *dm.ADOCon, firstDepartment(), year(QStringLiteral("2023/2024")), kMade,
        reports::ReportPeriod::calendarYears(2024, 2024));
    EXPECT_EQ(calendar.summary().all.count, 3);
    EXPECT_EQ(calendar.summary().undated, 1);
    const QString calendarText = reports::makePublicationsDocument(calendar)->toRawText();
    EXPECT_TRUE(calendarText.contains(QStringLiteral("2024 год (с 01.01.2024 по 31.12.2024)")));
    EXPECT_FALSE(calendarText.contains(QStringLiteral("онтология")));
    EXPECT_EQ(reports::publicationsFileName(calendar), QStringLiteral("Публикации Кафедра информационных систем и технологий 2024"));
}

TEST_F(ReportTest, TheListOfWorksHasTheFormsSectionsNumberingCoauthorsAndPeriod)
{
    addWork(1, "4", "Основы проектирования баз данных", "2022-02-01 00:00:00", "120", "Учебное пособие. — М.: Наука");
    addWork(1, "5", "Способ хранения записей", "2020-06-01 00:00:00", "NULL", "Патент RU 123456");
    addWork(1, "7", "Программа учёта публикаций", "NULL", "NULL", "Свидетельство № 2024610001");
    addWork(1, "1", "Модели данных в облаке", "2024-01-10 00:00:00", "10", "https://doi.org/10.1000/1");
    addWork(1, "1", "Старая статья", "2018-05-05 00:00:00", "4");
    addWork(2, "1", "модели данных в облаке", "2024-01-10 00:00:00", "10");  // a co-author
    addWork(3, "1", "Модели данных в облаке", "2024-01-10 00:00:00", "10");  // another
    addWork(5, "1", "Модели данных в облаке", "2024-01-11 00:00:00", "10");  // another day: another work
    addWork(11, "4", "Основы проектирования баз данных", "2022-02-01 00:00:00", "120"); // of another department

    const reports::TeacherWorks works = reports::readTeacherWorks(
        *dm.ADOCon, {1, QStringLiteral("Иванов Сергей Петрович")}, firstDepartment(),
        reports::ReportPeriod::calendarYears(2020, 2024), kMade);
    ASSERT_EQ(works.works.size(), 6); // 2018 and 2019 are outside
    EXPECT_EQ(works.degree, QStringLiteral("кандидат наук"));
    const auto model = std::find_if(works.works.begin(), works.works.end(), [](const reports::Work& work) {
        return work.publication.title == "Модели данных в облаке";
    });
    ASSERT_NE(model, works.works.end());
    EXPECT_EQ(model->coauthors, (QStringList{"Кузнецов\u00A0А.\u00A0Н.", "Смирнова\u00A0Е.\u00A0В."}));
    EXPECT_FALSE(works.works.back().publication.date.isValid()); // the undated last

    const QString text = reports::makeWorksDocument(works)->toRawText();
    EXPECT_TRUE(inOrder(text, {
        "Список опубликованных учебных изданий и научных трудов", "Иванов Сергей Петрович", "кандидат наук, доцент",
        "Кафедра информационных систем и технологий", "за 2020–2024 годы",
        "№ п/п", "Наименование работы, её вид", "Форма работы", "Выходные данные", "Объём в п.л. или с.", "Соавторы",
        "а) учебные издания",
        "1.", "Основы проектирования баз данных (учебное пособие)", "печатная", "Учебное пособие. — М.: Наука. 01.02.2022",
        "120\u00A0с.", "Фёдоров\u00A0М.\u00A0А.",
        "б) научные труды",
        "2.", "Распределённая обработка данных в информационных системах вуза (статья)", "печатная",
        "Вестник университета, № 2. 15.03.2021", "12\u00A0с.",
        "3.", "(тезисы доклада)", "20.04.2023",
        "4.", "Модели данных в облаке (статья)", "электронная", "10.01.2024", "10\u00A0с.",
        "Кузнецов\u00A0А.\u00A0Н., Смирнова\u00A0Е.\u00A0В.",
        "в) патенты и свидетельства",
        "5.", "Способ хранения записей (патент)", "Патент RU 123456. 01.06.2020",
        "6.", "Программа учёта публикаций (свидетельство на ПО)", "Свидетельство № 2024610001. дата не указана",
        "Соискатель", "Иванов\u00A0С.\u00A0П.", "Список верен:", "Заведующий кафедрой", "Учёный секретарь"}));
    EXPECT_FALSE(text.contains(QStringLiteral("Старая статья")));
    EXPECT_EQ(reports::worksFileName(works), QStringLiteral("Список трудов Иванов Сергей Петрович 2020-2024"));

    const QList<QStringList> csv = readCsv(reports::makeWorksCsv(works).data());
    ASSERT_EQ(csv.size(), 7);
    EXPECT_EQ(csv[0].value(0), "Раздел");
    EXPECT_EQ(csv[4], (QStringList{"б) научные труды", "4.", "Модели данных в облаке (статья)", "электронная",
                                   "https://doi.org/10.1000/1. 10.01.2024", "10\u00A0с.",
                                   "Кузнецов\u00A0А.\u00A0Н., Смирнова\u00A0Е.\u00A0В."}));

    // The rules over names, for types and notes a department adds.
    EXPECT_EQ(reports::sectionOf(QStringLiteral("Учебно-методическое пособие")), reports::WorkSection::Educational);
    EXPECT_EQ(reports::sectionOf(QStringLiteral("свидетельство о регистрации БД")), reports::WorkSection::Patents);
    EXPECT_EQ(reports::sectionOf(QStringLiteral("Патент на полезную модель")), reports::WorkSection::Patents);
    EXPECT_EQ(reports::sectionOf(QStringLiteral("обзор")), reports::WorkSection::Scientific);
    EXPECT_EQ(reports::sectionOf(QString()), reports::WorkSection::Scientific);
    for (const char* note : {"www.elibrary.ru", "URL: example.org", "DOI 10.1/2", "Электронный ресурс"})
        EXPECT_EQ(reports::workForm(QString::fromUtf8(note)), "электронная") << note;
    EXPECT_EQ(reports::workForm(QStringLiteral("М.: Наука, 2020")), "печатная");
}

TEST_F(ReportTest, ALongDocumentPrintsOnAsManyPdfPagesAsItsLayoutTakes)
{
    // In one statement: one transaction on the file, not 240.
    demo.sql(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 239) "
        "INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, PublicationDate, Primech) "
        "SELECT 1 + i % 7, 'Публикация номер ' || i || ' о моделях и алгоритмах обработки данных', 1 + i % 4, i, "
        "printf('2024-%02d-%02d 00:00:00', 1 + i % 8, 1 + i % 28), 'Сборник трудов международной научной "
        "конференции по моделям, методам и алгоритмам обработки данных, том ' || (i % 5) || ', примечание ' || i "
        "FROM n"));
    const auto document = reports::makePublicationsDocument(publicationsOf(QStringLiteral("2023/2024")));
    const int pages = reports::savePdf(*document, file("department.pdf"));
    EXPECT_GT(pages, 3);
    EXPECT_EQ(pdfPages(file("department.pdf")), pages);

    // Each entry (of two lines) on one page; a page that goes on with a
    // teacher's list names the teacher first.
    if (linuxProgram(QStringLiteral("pdftotext")).isEmpty()) {
        std::cout << "Not checked where entries break: no pdftotext (poppler-utils, Linux only)\n";
    } else {
        const QStringList texts = pdfPageTexts(file("department.pdf"));
        ASSERT_EQ(texts.size(), pages);
        auto pageOf = [&](const QString& pattern) {
            const QRegularExpression expression(pattern);
            for (int page = 0; page < texts.size(); ++page)
                if (expression.match(texts[page]).hasMatch())
                    return page;
            return -1;
        };
        for (int i = 0; i < 240; ++i) {
            const int first = pageOf(QStringLiteral("Публикация\\s+номер\\s+%1\\s").arg(i));
            EXPECT_GE(first, 0) << i;
            EXPECT_EQ(pageOf(QStringLiteral("примечание\\s+%1\\b").arg(i)), first) << i;
        }
        int continued = 0;
        static const QRegularExpression entry(QStringLiteral(R"(^\s*\d+\. )"));
        for (int page = 1; page < texts.size(); ++page) {
            const QString firstLine = texts[page].trimmed().section(u'\n', 0, 0).trimmed();
            EXPECT_FALSE(entry.match(firstLine).hasMatch()) << "page " << page + 1 << ": " << firstLine.toStdString();
            if (firstLine.endsWith(QStringLiteral("(продолжение)"))) {
                ++continued;
                EXPECT_TRUE(firstLine.startsWith(QStringLiteral("Иванов\u00A0С.\u00A0П."))
                            || firstLine.startsWith(QStringLiteral("Иванов С. П."))
                            || firstLine.startsWith(QStringLiteral("Кузнецов")) || firstLine.startsWith(QStringLiteral("Попова"))
                            || firstLine.startsWith(QStringLiteral("Смирнова")))
                    << firstLine.toStdString();
            }
        }
        EXPECT_GT(continued, 0);
    }

    // A file that cannot be written leaves nothing behind.
    EXPECT_THROW(reports::savePdf(*document, file("missing/department.pdf")), std::runtime_error);
    EXPECT_FALSE(QFile::exists(file("missing/department.pdf")));
}

// A cell a spreadsheet would run as a formula goes out as text, behind an
// apostrophe; plain numbers stay numbers. A lone carriage return is a line
// break to a spreadsheet: such a field is quoted.
TEST(CsvWriter, ACellASpreadsheetWouldRunGoesOutAsTextAndALoneCarriageReturnIsQuoted)
{
    EXPECT_EQ(formats::CsvWriter::field(QStringLiteral("a\rb")), "\"a\rb\"");
    EXPECT_EQ(formats::CsvWriter::field(QStringLiteral("a\nb")), "\"a\nb\"");
    for (const QString formula : {"=HYPERLINK(\"http://x\";\"y\")", "=cmd|' /C calc'!A0", "+1+1", "-2+3", "@SUM(A1)",
                                  "\tx", "\r=1"}) {
        formats::CsvWriter csv;
        csv.addRow({formula, QStringLiteral("x")});
        EXPECT_EQ(readCsv(csv.data()).value(0), (QStringList{u'\'' + formula, "x"})) << formula.toStdString();
    }
    for (const QString plain : {"-5", "+7", "-12,5", "2024-01-01", "a=b", "x-y", ""})
        EXPECT_EQ(formats::CsvWriter::field(plain), plain);
}

TEST(CsvWriter, ValuesComeBackThroughACsvReaderWhateverTheyHold)
{
    const QList<QStringList> rows = {
        {"Тема", "Примечание", "Страниц"},
        {"Модели, методы и алгоритмы", "в журнале \"Вестник\"", "12"},
        {"первая строка\nвторая строка", "a;b", ""},
        {"  с пробелами  ", "\"", "строка\r\nс CR LF"},
        {"", "", ""},
    };
    formats::CsvWriter csv;
    for (const QStringList& row : rows)
        csv.addRow(row);
    const QByteArray bytes = csv.data();
    // A byte-order mark, ';' between fields, CR LF after each record.
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" "Тема;Примечание;Страниц\r\n"));
    EXPECT_EQ(readCsv(bytes), rows);
}

} // namespace
