#pragma once
// The table of documents: every document the program makes, with what the
// reports menu, the preview and qel-report need to know of it. A new document
// is one entry here and the code that reads and makes it.
#include "reports/report_data.h"
#include "formats/csv_writer.h"

#include <QTextDocument>

#include <functional>
#include <memory>
#include <optional>

namespace db {
class Connection;
}

namespace reports {

// The main window's pickers a document is made for.
enum class Picker { Year, Department, Teacher };

// The period a document may be made for besides its own.
enum class PeriodChoice {
    None, // the document lists what it always lists
    CalendarYears, // from one calendar year to another; by default the last five up to this one
    AcademicOrCalendarYears, // the picker's academic year by default, or calendar years
};

struct YearRange {
    int first = 0;
    int last = 0;
};

// What the pickers (or the tool's options) chose.
struct DocumentScope {
    AcademicYear year;
    Department department;
    std::optional<Teacher> teacher; // for the documents that need one
    QDate made;
    std::optional<YearRange> calendarYears; // none: the document's own period
};

struct MadeDocument {
    std::unique_ptr<QTextDocument> text;
    QString fileName; // what the files are offered as, without extension
    std::optional<formats::CsvWriter> csv; // the documents that are lists
};

struct DocumentKind {
    QString identifier; // qel-report --document
    QString title; // the reports menu's item
    QVector<Picker> pickers;
    bool isList = false; // offers CSV
    PeriodChoice period = PeriodChoice::None;
    // Reads the document's rows on the connection and makes it.
    std::function<MadeDocument(db::Connection&, const DocumentScope&)> make;

    bool needs(Picker picker) const { return pickers.contains(picker); }
};

// The calendar years a document with PeriodChoice::CalendarYears covers when
// none are chosen: the last five up to the year it is made in.
YearRange defaultCalendarYears(const QDate& made);

// In the reports menu's order.
const QVector<DocumentKind>& documentKinds();
// nullptr for an identifier that is none of them.
const DocumentKind* findDocumentKind(const QString& identifier);

} // namespace reports
