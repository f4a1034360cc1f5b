#include "bench_support.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>

#include <benchmark/benchmark.h>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstdlib>

QString benchDatabasePath(double scale)
{
    static QTemporaryDir folder;
    static QMap<double, QString> built;
    if (built.contains(scale))
        return built.value(scale);
    const QString output = folder.filePath(QStringLiteral("bench-%1.db").arg(built.size()));
    const int code = QProcess::execute(QStringLiteral(QEL_MAKE_BENCH_DB),
                                       {QStringLiteral("--schema"),
                                        QStringLiteral(QEL_SOURCE_DIR "/sql/sqlite/schema.sql"),
                                        QStringLiteral("--output"), output, QStringLiteral("--scale"),
                                        QString::number(scale)});
    if (code != 0) {
        std::fprintf(stderr, "the benchmark database could not be built\n");
        std::exit(1);
    }
    built.insert(scale, output);
    return output;
}

QString benchConnectionString(const QString& path)
{
    return QStringLiteral("User ID=qel_bench;Password=Bn4821xy;Initial Catalog=QEL;Data Source=file:") + path;
}

double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double processSecondsOf(const std::function<void()>& work)
{
    const double start = processSeconds();
    work();
    return processSeconds() - start;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void readEveryValue(const QSqlDatabase& database, const QString& statement)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.exec(statement);
    const int columns = query.record().count();
    while (query.next())
        for (int i = 0; i < columns; ++i)
            benchmark::DoNotOptimize(query.value(i));
}

void printRatioLine(const char* name, double ratio, double limit)
{
    std::printf("%s: %.2f x (limit %.1f x)\n", name, ratio, limit);
}
