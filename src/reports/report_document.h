#pragma once
// The documents as the toolkit's rich-text documents, ready for the preview,
// PDF and ODF: headings in Russian, the values in tables, an empty section
// saying "нет данных". Pages are made when the document is printed; an entry
// of a list is never split over two pages, and a page that goes on with a
// teacher's list starts with the teacher's name "(продолжение)".
#include "reports/report_data.h"
#include "formats/csv_writer.h"

#include <QTextDocument>
#include <QTextFormat>

#include <memory>

namespace reports {

// A header (teacher, department, year, date made), then the sections in the
// main window's order; publications numbered, oldest first.
std::unique_ptr<QTextDocument> makeProfileDocument(const TeacherProfile& profile);

// A header, each teacher with their publications of the period numbered (or
// "нет публикаций"), then the count and pages per publication type and in all,
// each work once, with the joint and the undated works counted.
std::unique_ptr<QTextDocument> makePublicationsDocument(const DepartmentPublications& publications);

// One row per publication with the department, the period and the teacher;
// no summary.
formats::CsvWriter makePublicationsCsv(const DepartmentPublications& publications);

// "Список трудов": the form's title, the six columns and three sections,
// numbered through the sections, then the signature lines.
std::unique_ptr<QTextDocument> makeWorksDocument(const TeacherWorks& works);
// The form's columns, one row per work, with its section.
formats::CsvWriter makeWorksCsv(const TeacherWorks& works);

// Texts as the documents print them: a number and its unit joined by a
// no-break space ("12 с."), and two sentences joined without a doubled end
// mark ("Что такое онтология? 05.09.2023").
QString pagesText(int pages);
QString joinSentences(const QString& first, const QString& second);

// Marks the documents leave for their pages: the root frame of a document
// whose lists a page may go on with holds kListsContinued, and each entry of
// such a list holds the name of its teacher as kListOfTeacher.
constexpr int kListsContinued = QTextFormat::UserProperty + 2;
constexpr int kListOfTeacher = QTextFormat::UserProperty + 1;

// File names without extension, fit for any file system.
QString profileFileName(const TeacherProfile& profile);
QString publicationsFileName(const DepartmentPublications& publications);
QString worksFileName(const TeacherWorks& works);
// A text as a file name: characters that a file system refuses become '_'.
QString safeFileName(const QString& text);

} // namespace reports
