#pragma once
// The two documents as the toolkit's rich-text documents, ready for the
// preview, PDF and ODF: headings in Russian, the values in tables, an empty
// section saying "нет данных". Pages are made when the document is printed.
#include "reports/report_data.h"
#include "db/csv_writer.h"

#include <QTextDocument>

#include <memory>

namespace reports {

// A header (teacher, department, year, date made), then the sections in the
// main window's order; publications numbered, oldest first.
std::unique_ptr<QTextDocument> makeProfileDocument(const TeacherProfile& profile);

// A header, each teacher with their publications of the year numbered (or
// "нет публикаций"), then the count and pages per publication type and in all.
std::unique_ptr<QTextDocument> makePublicationsDocument(const DepartmentPublications& publications);

// One row per publication with the teacher's name; no summary.
db::CsvWriter makePublicationsCsv(const DepartmentPublications& publications);

// File names without extension, fit for any file system.
QString profileFileName(const TeacherProfile& profile);
QString publicationsFileName(const DepartmentPublications& publications);
// A text as a file name: characters that a file system refuses become '_'.
QString safeFileName(const QString& text);

} // namespace reports
