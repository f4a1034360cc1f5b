// A department's publications of a year made into its document, against
// reading the same rows with plain forward-only QSqlQuery loops: 60 teachers
// of one department and year with 3,000 publications in that year (and the
// others of their years around them). The document is made as the preview
// shows it: the rows read, the document written and laid out. The PDF of the
// same document is timed once, for information. Limit 25 x: on the 2-core
// build machine a quarter of a second, well inside the second a user may wait.
#include "bench_support.h"

#include "reports/report_document.h"
#include "reports/report_files.h"
#include "data/teacher_list.h"
#include "db/connection.h"

#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

// 60 teachers at this scale of the benchmark database, all in department 1
// in year 1 (2023/2024).
constexpr double kScale = 0.012;
constexpr int kPublicationsInTheYear = 3000;
const reports::Department kDepartment{1, QStringLiteral("Кафедра нагрузочных испытаний")};
const reports::AcademicYear kYear{1, QStringLiteral("2023/2024"), 2023};

std::vector<double> documentTimes;
std::vector<double> plainTimes;

QSqlDatabase plainDatabase()
{
    return QSqlDatabase::database(QStringLiteral("bench-plain"));
}

// The year's publications, spread over the teachers and the year's days.
void addPublicationsOfTheYear(QSqlDatabase database)
{
    database.transaction();
    QSqlQuery insert(database);
    insert.prepare(QStringLiteral("INSERT INTO Publication (id_publicationType, theme, id_teacher, Pages, "
                                  "PublicationDate, Primech) VALUES (?, ?, ?, ?, ?, ?)"));
    const QDate first = kYear.firstDay();
    for (int i = 0; i < kPublicationsInTheYear; ++i) {
        insert.addBindValue(1 + i % 10);
        insert.addBindValue(QStringLiteral("Публикация %1: анализ и оптимизация процессов обработки данных").arg(i));
        insert.addBindValue(1 + i % 60);
        insert.addBindValue(1 + i % 300);
        insert.addBindValue(first.addDays(i % 365).toString(Qt::ISODate) + QStringLiteral(" 00:00:00"));
        insert.addBindValue(i % 4 ? QVariant(QStringLiteral("Сборник трудов, том %1").arg(i % 12)) : QVariant());
        insert.exec();
    }
    database.commit();
}

db::Connection& connection()
{
    static db::Connection shared;
    if (!shared.isOpen()) {
        shared.setConnectionString(benchConnectionString(benchDatabasePath(kScale)));
        shared.open();
    }
    return shared;
}

// What the document reads: the teacher list, then the teachers' publications
// (the teacher list without the two T-SQL forms that plain SQLite does not
// take, as the embedded server sends it).
double plainSeconds()
{
    return processSecondsOf([] {
        QSqlQuery teachers(plainDatabase());
        teachers.setForwardOnly(true);
        teachers.exec(teacherListStatement(kYear.key, kDepartment.key).replace(QStringLiteral("dbo."), QString())
                          .replace(QStringLiteral("TOP (100) PERCENT "), QString()));
        QStringList keys;
        while (teachers.next())
            keys << teachers.value(2).toString();
        readEveryValue(plainDatabase(),
                       QStringLiteral("SELECT Publication.id_teacher, PublicationType.publicationType, Publication.theme, "
                                      "Publication.PublicationDate, Publication.Pages, Publication.Primech FROM "
                                      "Publication LEFT JOIN PublicationType ON PublicationType.id_publicationType = "
                                      "Publication.id_publicationType WHERE Publication.id_teacher IN (%1) ORDER BY "
                                      "Publication.PublicationDate")
                           .arg(keys.join(u',')));
    });
}

void DepartmentPublicationsDocument(benchmark::State& state)
{
    for (auto _ : state) {
        std::unique_ptr<QTextDocument> document;
        const double seconds = processSecondsOf([&] {
            document = reports::makePublicationsDocument(
                reports::readDepartmentPublications(connection(), kDepartment, kYear, QDate::currentDate()));
            benchmark::DoNotOptimize(document->pageCount());
        });
        state.SetIterationTime(seconds);
        documentTimes.push_back(seconds);
        plainTimes.push_back(plainSeconds());
    }
}

} // namespace

BENCHMARK(DepartmentPublicationsDocument)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QSqlDatabase plain = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-plain"));
    plain.setDatabaseName(benchDatabasePath(kScale));
    plain.open();
    addPublicationsOfTheYear(plain);

    const reports::DepartmentPublications publications =
        reports::readDepartmentPublications(connection(), kDepartment, kYear, QDate::currentDate());
    std::printf("%lld teachers, %d publications in %s\n", static_cast<long long>(publications.teachers.size()),
                publications.total().count, qPrintable(kYear.caption));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    QTemporaryDir folder;
    const auto document = reports::makePublicationsDocument(publications);
    int pages = 0;
    const double pdfSeconds =
        processSecondsOf([&] { pages = reports::savePdf(*document, folder.filePath(QStringLiteral("bench.pdf"))); });
    std::printf("median document %.1f ms, plain queries %.1f ms; its PDF (%d pages) %.0f ms\n",
                median(documentTimes) * 1e3, median(plainTimes) * 1e3, pages, pdfSeconds * 1e3);
    printRatioLine("department_publications_document", median(documentTimes) / median(plainTimes), 25.0);
    return 0;
}
