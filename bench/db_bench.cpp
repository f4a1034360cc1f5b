// The data-access layer against plain Qt SQL on the same statements, in one run:
//  - opening a dataset of 100,000 rows and 8 mixed columns vs a forward-only
//    QSqlQuery loop reading every value (limit 1.5 x);
//  - reading a lookup field for all rows over a 10,000-row lookup dataset vs
//    reading a plain field of the same rows (limit 3 x);
//  - 1,000 single-row inserts through the dataset vs prepared QSqlQuery
//    inserts (limit 2 x).
#include "bench_support.h"

#include "db/connection.h"
#include "db/dataset.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const QString kRows = QStringLiteral("select * from bench_rows");

std::map<std::string, std::vector<double>>& timings()
{
    static std::map<std::string, std::vector<double>> all;
    return all;
}

void record(benchmark::State& state, const char* name, double seconds)
{
    state.SetIterationTime(seconds);
    timings()[name].push_back(seconds);
}

QSqlDatabase plainDatabase()
{
    static const QString name = QStringLiteral("bench-plain");
    if (!QSqlDatabase::contains(name)) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(benchDatabasePath());
        database.open();
    }
    return QSqlDatabase::database(name);
}

db::Connection& connection()
{
    static db::Connection shared;
    if (!shared.isOpen()) {
        shared.setConnectionString(benchConnectionString(benchDatabasePath()));
        shared.open();
    }
    return shared;
}

void PlainQueryLoop(benchmark::State& state)
{
    for (auto _ : state) {
        record(state, "open_plain", processSecondsOf([] { readEveryValue(plainDatabase(), kRows); }));
    }
}

void DatasetOpen(benchmark::State& state)
{
    for (auto _ : state) {
        db::Dataset rows(QStringLiteral("rows"), db::Dataset::Kind::Query, &connection());
        rows.setSql(kRows);
        record(state, "open_dataset", processSecondsOf([&] { rows.open(); }));
        benchmark::DoNotOptimize(rows.recordCount());
    }
}

struct LookupPair {
    db::Dataset lookup{QStringLiteral("lookup"), db::Dataset::Kind::Query, &connection()};
    db::Dataset rows{QStringLiteral("rows"), db::Dataset::Kind::Query, &connection()};
    LookupPair()
    {
        lookup.setSql(QStringLiteral("select * from bench_lookup"));
        rows.setSql(kRows);
        rows.addLookupField(QStringLiteral("lookup_name"), QStringLiteral("id_lookup"), &lookup, QStringLiteral("id"),
                            QStringLiteral("name"), 50);
        db::FieldDefinition key;
        key.name = QStringLiteral("id_lookup");
        key.type = db::FieldType::Integer;
        rows.addField(key);
        db::FieldDefinition code;
        code.name = QStringLiteral("code");
        code.type = db::FieldType::String;
        code.size = 40;
        rows.addField(code);
        rows.open();
    }
};

LookupPair& lookupPair()
{
    static LookupPair pair;
    return pair;
}

void readAll(const char* name, benchmark::State& state, const QString& field)
{
    db::Field& f = lookupPair().rows.fieldByName(field);
    const int count = lookupPair().rows.recordCount();
    for (auto _ : state) {
        // A changed lookup dataset is looked up afresh: touch it each time.
        lookupPair().lookup.refresh();
        record(state, name, processSecondsOf([&] {
            for (int row = 0; row < count; ++row)
                benchmark::DoNotOptimize(f.displayTextAt(row));
        }));
    }
}

void PlainFieldRead(benchmark::State& state) { readAll("read_plain", state, QStringLiteral("code")); }
void LookupFieldRead(benchmark::State& state) { readAll("read_lookup", state, QStringLiteral("lookup_name")); }

constexpr int kInserts = 1000;

void PreparedInserts(benchmark::State& state)
{
    for (auto _ : state) {
        record(state, "insert_plain", processSecondsOf([] {
            QSqlQuery insert(plainDatabase());
            insert.prepare(QStringLiteral("INSERT INTO bench_lookup (name) VALUES (?)"));
            for (int i = 0; i < kInserts; ++i) {
                insert.addBindValue(QStringLiteral("plain %1").arg(i));
                insert.exec();
                benchmark::DoNotOptimize(insert.lastInsertId());
            }
        }));
    }
}

void DatasetInserts(benchmark::State& state)
{
    for (auto _ : state) {
        db::Dataset table(QStringLiteral("lookup"), db::Dataset::Kind::Query, &connection());
        table.setSql(QStringLiteral("select * from bench_lookup where id < 0"));
        table.open();
        record(state, "insert_dataset", processSecondsOf([&] {
            for (int i = 0; i < kInserts; ++i) {
                table.append();
                table.fieldByName(QStringLiteral("name")).setValue(QStringLiteral("dataset %1").arg(i));
                table.post();
            }
        }));
    }
}

} // namespace

BENCHMARK(PlainQueryLoop)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(DatasetOpen)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFieldRead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(LookupFieldRead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(PreparedInserts)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(DatasetInserts)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // One read beforehand, so that no side pays for a cold file cache.
    QSqlQuery warm(plainDatabase());
    warm.exec(kRows);
    while (warm.next()) {
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto ratio = [](const char* measured, const char* baseline) {
        return median(timings()[measured]) / median(timings()[baseline]);
    };
    printRatioLine("db_open_100k", ratio("open_dataset", "open_plain"), 1.5);
    printRatioLine("db_lookup_100k", ratio("read_lookup", "read_plain"), 3.0);
    printRatioLine("db_insert_1000", ratio("insert_dataset", "insert_plain"), 2.0);
    return 0;
}
