#include "data_fixture.h"

#include "csv_reader.h"
#include "reports/report_document.h"
#include "reports/report_files.h"
#include "reports/report_scope.h"
#include "data/session_loading.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

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

TEST_F(ReportTest, TheProfileOfADemoTeacherHoldsEverySectionInOrderAndNumbersThePublications)
{
    const auto teacher = reports::Teacher{1, QStringLiteral("Иванов Сергей Петрович")};
    const reports::TeacherProfile profile =
        reports::readTeacherProfile(*dm.ADOCon, teacher, firstDepartment(), year(QStringLiteral("2023/2024")), kMade);
    const QString text = reports::makeProfileDocument(profile)->toPlainText();
    EXPECT_TRUE(inOrder(text, {
        "Научная деятельность сотрудника", "Иванов Сергей Петрович", "Кафедра информационных систем и технологий",
        "2023/2024", "03.02.2025",
        "Учёная степень и звание", "кандидат наук", "доцент",
        "Методы и средства проектирования распределённых информационных систем вуза", "05.13.11", "2009",
        "Знание языков", "английский", "продвинутый", "5", "4", "4", "немецкий", "ниже среднего", "2", "1", "1",
        "Публикации",
        "1. монография", "Проектирование корпоративных информационных систем", "01.11.2019", "212",
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

    // A degree the dictionary does not have reads as empty; a teacher
    // without rows keeps every section, saying so.
    const reports::TeacherProfile third = reports::readTeacherProfile(
        *dm.ADOCon, {3, QStringLiteral("Кузнецов Андрей Николаевич")}, firstDepartment(), year("2023/2024"), kMade);
    ASSERT_EQ(third.scientific.size(), 1);
    EXPECT_EQ(third.scientific[0].degree, QString());
    EXPECT_EQ(third.scientific[0].title, QStringLiteral("без звания"));
    const QString empty = reports::makeProfileDocument(reports::readTeacherProfile(
        *dm.ADOCon, {4, QStringLiteral("Попова Ольга Александровна")}, firstDepartment(), year("2023/2024"), kMade))
                              ->toPlainText();
    EXPECT_EQ(empty.count(QStringLiteral("нет данных")), 7) << empty.toStdString();

    // One A4 page, and the same document as OpenDocument.
    EXPECT_EQ(reports::savePdf(*reports::makeProfileDocument(profile), file("profile.pdf")), 1);
    EXPECT_EQ(pdfPages(file("profile.pdf")), 1);
    reports::saveOdt(*reports::makeProfileDocument(profile), file("profile.odt"));
    QFile odt(file("profile.odt"));
    ASSERT_TRUE(odt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(odt.readAll().contains("application/vnd.oasis.opendocument.text"));
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

    const QString text = reports::makePublicationsDocument(current)->toPlainText();
    EXPECT_TRUE(inOrder(text, {"Кафедра информационных систем и технологий", "01.09.2023", "31.08.2024",
                               "Иванов Сергей Петрович", "1. статья", "01.09.2023", "10", "2. статья",
                               "31.08.2024", "5", "Смирнова Елена Викторовна", "1. тезисы доклада", "Итого по видам публикаций", "статья", "3", "22",
                               "тезисы доклада", "1", "0", "Всего", "4", "22"}));
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
    EXPECT_EQ(csv[0], (QStringList{"Преподаватель", "№", "Вид публикации", "Тема", "Дата", "Страниц", "Примечание"}));
    EXPECT_EQ(csv[2], (QStringList{"Иванов Сергей Петрович", "2", "статья", "Работа 1 от 2024-08-31 18:30:00",
                                   "31.08.2024", "5", ""}));
}

TEST_F(ReportTest, ALongDocumentPrintsOnAsManyPdfPagesAsItsLayoutTakes)
{
    // In one statement: one transaction on the file, not 240.
    demo.sql(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 239) "
        "INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, PublicationDate, Primech) "
        "SELECT 1 + i % 7, 'Публикация номер ' || i || ' о моделях и алгоритмах обработки данных', 1 + i % 4, i, "
        "printf('2024-%02d-%02d 00:00:00', 1 + i % 8, 1 + i % 28), 'Примечание ' || i FROM n"));
    const auto document = reports::makePublicationsDocument(publicationsOf(QStringLiteral("2023/2024")));
    const int pages = reports::savePdf(*document, file("department.pdf"));
    EXPECT_GT(pages, 3);
    EXPECT_EQ(pdfPages(file("department.pdf")), pages);

    // A file that cannot be written leaves nothing behind.
    EXPECT_THROW(reports::savePdf(*document, file("missing/department.pdf")), std::runtime_error);
    EXPECT_FALSE(QFile::exists(file("missing/department.pdf")));
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
    db::CsvWriter csv;
    for (const QStringList& row : rows)
        csv.addRow(row);
    const QByteArray bytes = csv.data();
    // A byte-order mark, ';' between fields, CR LF after each record.
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" "Тема;Примечание;Страниц\r\n"));
    EXPECT_EQ(readCsv(bytes), rows);
}

} // namespace
