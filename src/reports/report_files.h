#pragma once
// The documents as files. Each file is written whole or not at all: it goes
// to a temporary file that then replaces the named one, so a failure leaves
// an existing file as it was. Failures are thrown as std::runtime_error with
// a text for the user.
#include <QByteArray>
#include <QString>

class QTextDocument;
namespace formats {
class CsvWriter;
}

namespace reports {

// A4 portrait with 2 cm margins, each page numbered at its foot. Returns the
// number of pages.
int savePdf(const QTextDocument& document, const QString& path);
// OpenDocument text (.odt) with the PDF's page, margins and page numbers,
// the document's font and size, and the table columns' widths as lengths.
void saveOdt(const QTextDocument& document, const QString& path);
// The .odt file's bytes; empty when the document cannot be converted.
QByteArray odtBytes(const QTextDocument& document);
// Rows for a spreadsheet: makePublicationsCsv, a grid's export.
void saveCsv(const formats::CsvWriter& csv, const QString& path);

} // namespace reports
