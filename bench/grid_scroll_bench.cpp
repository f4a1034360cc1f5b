// Scrolling a grid from the top of its dataset to the bottom, painting each
// page: the cost per page must not grow with the number of rows, because the
// grid's model reads only the rows a page shows. Measured over 1,000 and
// 100,000 rows; the ratio of the per-page medians is printed last.
#include "bench_support.h"

#include "controls/db_grid.h"
#include "db/connection.h"
#include "db/data_source.h"
#include "db/dataset.h"

#include <QApplication>
#include <QDate>
#include <QPixmap>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kSmallRows = 1000;
constexpr int kLargeRows = 100000;
constexpr double kLimit = 1.2;

// A database file of its own, written directly in one transaction.
void writeDatabase(const QString& path, int rows)
{
    const QString connectionName = QStringLiteral("bench-direct");
    {
        QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        direct.setDatabaseName(path);
        if (!direct.open())
            throw std::runtime_error(direct.lastError().text().toStdString());
        QSqlQuery sql(direct);
        sql.exec(QStringLiteral("CREATE TABLE server_logins (login TEXT PRIMARY KEY, password TEXT, role TEXT)"));
        sql.exec(QStringLiteral("INSERT INTO server_logins VALUES ('bench', 'bench', 'user')"));
        sql.exec(QStringLiteral("CREATE TABLE kinds (id_kind INTEGER PRIMARY KEY, title VARCHAR(30))"));
        sql.exec(QStringLiteral("CREATE TABLE entries (id_entry INTEGER PRIMARY KEY, id_kind INTEGER, "
                                "title VARCHAR(60), amount INTEGER, issued DATE, note VARCHAR(200))"));
        direct.transaction();
        for (int kind = 1; kind <= 20; ++kind)
            sql.exec(QStringLiteral("INSERT INTO kinds VALUES (%1, 'Kind number %1')").arg(kind));
        sql.prepare(QStringLiteral("INSERT INTO entries VALUES (?, ?, ?, ?, ?, ?)"));
        const QDate start(2000, 1, 1);
        for (int row = 1; row <= rows; ++row) {
            sql.addBindValue(row);
            sql.addBindValue(row % 20 + 1);
            // Numbers of one width, so that a page holds as much text whatever the row count.
            const QString number = QStringLiteral("%1").arg(row, 6, 10, QLatin1Char('0'));
            sql.addBindValue(QStringLiteral("Entry %1 of the benchmark table").arg(number));
            sql.addBindValue(row * 7 % 1000);
            sql.addBindValue(start.addDays(row % 9000).toString(Qt::ISODate));
            sql.addBindValue(QStringLiteral("A note that is long enough to be cut at the column's edge, row %1").arg(number));
            if (!sql.exec())
                throw std::runtime_error(sql.lastError().text().toStdString());
        }
        direct.commit();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

controls::GridColumn column(const char* field, const char* title, int width)
{
    controls::GridColumn c;
    c.fieldName = QString::fromLatin1(field);
    c.title = QString::fromLatin1(title);
    c.width = width;
    return c;
}

// A grid as the program sets one up: lookup column, titles, indicator, lines.
struct ScrollingGrid {
    explicit ScrollingGrid(int rows)
    {
        const QString path = folder.filePath(QStringLiteral("bench.db"));
        writeDatabase(path, rows);
        connection.setConnectionString(
            QStringLiteral("Provider=SQLOLEDB.1;Password=bench;User ID=bench;Initial Catalog=QEL;Data Source=file:%1")
                .arg(path));
        connection.open();
        kinds = std::make_unique<db::Dataset>(QStringLiteral("kinds"), db::Dataset::Kind::Query, &connection);
        kinds->setSql(QStringLiteral("select * from kinds"));
        data = std::make_unique<db::Dataset>(QStringLiteral("entries"), db::Dataset::Kind::Query, &connection);
        data->setSql(QStringLiteral("select * from entries"));
        for (const char* name : {"id_entry", "id_kind", "title", "amount", "issued", "note"}) {
            db::FieldDefinition field;
            field.name = QString::fromLatin1(name);
            data->addField(field);
        }
        data->addLookupField(QStringLiteral("kind"), QStringLiteral("id_kind"), kinds.get(), QStringLiteral("id_kind"),
                             QStringLiteral("title"), 30);
        data->open();
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_entries"), data.get());
        grid.setColumns({column("id_entry", "No", 50), column("kind", "Kind", 120), column("title", "Title", 220),
                         column("amount", "Amount", 60), column("issued", "Issued", 80), column("note", "Note", 300)});
        grid.setDataSource(source.get());
        grid.setAutoFitColWidths(true);
        grid.resize(900, 600);
        grid.show();
        QCoreApplication::processEvents();
        pixmap = QPixmap(grid.size());
    }

    // Pages from the top to the bottom, each painted; returns the page count.
    int scrollThrough(int maximumPages = std::numeric_limits<int>::max())
    {
        QScrollBar* bar = grid.verticalScrollBar();
        bar->setValue(0);
        int pages = 0;
        while (pages < maximumPages) {
            grid.render(&pixmap);
            ++pages;
            if (bar->value() >= bar->maximum())
                break;
            bar->setValue(bar->value() + bar->pageStep());
        }
        return pages;
    }

    QTemporaryDir folder;
    db::Connection connection;
    std::unique_ptr<db::Dataset> kinds;
    std::unique_ptr<db::Dataset> data;
    std::unique_ptr<db::DataSource> source;
    controls::DBGridEh grid;
    QPixmap pixmap;
};

std::map<int, std::unique_ptr<ScrollingGrid>>& grids()
{
    static std::map<int, std::unique_ptr<ScrollingGrid>> made;
    return made;
}

// Processor seconds per page of every measured pass, by row count.
std::map<int, std::vector<double>>& perPage()
{
    static std::map<int, std::vector<double>> samples;
    return samples;
}

void BM_ScrollAndPaintPerPage(benchmark::State& state)
{
    const int rows = int(state.range(0));
    auto& grid = grids()[rows];
    if (!grid) {
        grid = std::make_unique<ScrollingGrid>(rows);
        grid->scrollThrough(20); // warm up fonts and caches
    }
    int pages = 0;
    double wallSeconds = 0;
    for (auto _ : state) {
        const double cpuBegin = processSeconds();
        const auto wallBegin = std::chrono::steady_clock::now();
        pages = grid->scrollThrough();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBegin;
        const double seconds = (processSeconds() - cpuBegin) / pages;
        state.SetIterationTime(seconds);
        perPage()[rows].push_back(seconds);
        wallSeconds += wall.count() / pages;
    }
    state.counters["pages"] = pages;
    state.counters["wall_us_per_page"] = wallSeconds * 1e6 / double(state.iterations());
}
// The reported time is processor time per page. A pass over the large dataset is thousands
// of pages: one pass per repetition; the repetitions of both sizes are
// interleaved, so that a busy moment of the machine weighs on both alike.
BENCHMARK(BM_ScrollAndPaintPerPage)
    ->Arg(kSmallRows)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(10)
    ->Repetitions(9);
BENCHMARK(BM_ScrollAndPaintPerPage)
    ->Arg(kLargeRows)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(1)
    ->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave); // a later flag on the command line still wins
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto& samples = perPage();
    if (samples.count(kSmallRows) && samples.count(kLargeRows)) {
        const double ratio = median(samples.at(kLargeRows)) / median(samples.at(kSmallRows));
        printRatioLine("bench_grid", ratio, kLimit);
    }
    grids().clear();
    return 0;
}
