#pragma once
// The table of documents: every document the program makes, with what the
// reports menu, the preview and qel-report need to know of it. A new document
// is one entry here and the code that reads and makes it.
#include "reports/report_data.h"
#include "db/csv_writer.h"

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

// What the pickers (or the tool's options) chose.
struct DocumentScope {
    AcademicYear year;
    Department department;
    std::optional<Teacher> teacher; // for the documents that need one
    QDate made;
};

struct MadeDocument {
    std::unique_ptr<QTextDocument> text;
    QString fileName; // what the files are offered as, without extension
    std::optional<db::CsvWriter> csv; // the documents that are lists
};

struct DocumentKind {
    QString identifier; // qel-report --document
    QString title; // the reports menu's item
    QVector<Picker> pickers;
    bool isList = false; // offers CSV
    // Reads the document's rows on the connection and makes it.
    std::function<MadeDocument(db::Connection&, const DocumentScope&)> make;

    bool needs(Picker picker) const { return pickers.contains(picker); }
};

// In the reports menu's order.
const QVector<DocumentKind>& documentKinds();
// nullptr for an identifier that is none of them.
const DocumentKind* findDocumentKind(const QString& identifier);

} // namespace reports
