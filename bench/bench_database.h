#pragma once
// The large synthetic database of the benchmarks, built once per run with the
// project's builder into a temporary folder.
#include <QString>

// Path of the built file; `scale` multiplies every row count.
QString benchDatabasePath(double scale = 1.0);
// A connection string for the builder's user login on that file.
QString benchConnectionString(const QString& path);
// Processor time of this process in seconds: steadier than the wall clock on a
// machine that other work shares.
double processSeconds();

// Prints the closing line of a benchmark target: "NAME: RATIO x (limit LIMIT x)".
void printRatioLine(const char* name, double ratio, double limit);
