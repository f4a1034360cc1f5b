#pragma once
// What the benchmarks share: the large synthetic database, built once per run
// with the project's builder into a temporary folder; the baseline loop over
// plain Qt SQL; timing and the closing line.
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

// Path of the built file; `scale` multiplies every row count.
QString benchDatabasePath(double scale = 1.0);
// A connection string for the builder's user login on that file.
QString benchConnectionString(const QString& path);
// Processor time of this process in seconds: steadier than the wall clock on a
// machine that other work shares.
double processSeconds();
// Processor seconds that `work` takes.
double processSecondsOf(const std::function<void()>& work);
double median(std::vector<double> values);

// The baseline: a forward-only QSqlQuery that reads every value of every row.
void readEveryValue(const QSqlDatabase& database, const QString& statement);

// Prints the closing line of a benchmark target: "NAME: RATIO x (limit LIMIT x)".
void printRatioLine(const char* name, double ratio, double limit);
