#pragma once
// Rows of texts as a CSV file the way spreadsheet programs set up for Russian
// open it without an import dialog: UTF-8 with a byte-order mark, ';' between
// fields, CR LF after each record. A field holding the separator, a quote, a
// line break (a lone carriage return too) or surrounding blanks is quoted,
// quotes inside doubled (RFC 4180).
//
// A spreadsheet takes a cell that begins with '=', '+', '-', '@', a tab or a
// carriage return for a formula and runs it (=HYPERLINK(...), =cmd|...): such
// a field goes out with an apostrophe before it, which spreadsheets read as
// "this cell is text" and do not show. Plain numbers ("-5", "+7,5") stay
// numbers.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace formats {

class CsvWriter {
public:
    static constexpr QChar kSeparator = u';';

    void addRow(const QStringList& fields);
    // The byte-order mark and every row added.
    QByteArray data() const;

    // One field as it goes into the file.
    static QString field(const QString& text);

private:
    QString m_text;
};

} // namespace formats
