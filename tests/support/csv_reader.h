#pragma once
// A CSV reader for the tests, written apart from the program's writer from
// RFC 4180 itself: fields separated by `separator`, records by CR LF (or LF),
// a quoted field running to its closing quote across separators and line
// breaks, "" inside it a quote. A leading UTF-8 byte-order mark is skipped.
#include <QByteArray>
#include <QList>
#include <QStringList>

QList<QStringList> readCsv(const QByteArray& bytes, QChar separator = u';');
