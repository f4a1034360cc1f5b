#pragma once
// The preview of a document: the document as it will be printed, scrollable,
// with "Сохранить PDF…", "Сохранить ODT…", "Сохранить CSV…" (for the lists)
// and "Открыть" (a PDF in a temporary folder, opened in the system's viewer,
// from where the user prints). A document made for a period has the period's
// choice above it; the document is made again when it changes.
#include "reports/documents.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QPushButton;
class QSpinBox;
class QTextDocument;
class QTextEdit;
class QVBoxLayout;

namespace ui {

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // Makes a document of the kind for a scope; throws when it cannot.
    using Maker = std::function<reports::MadeDocument(const reports::DocumentScope&)>;
    // Makes the document for the scope (a failure is thrown, and there is no preview).
    ReportPreview(const reports::DocumentKind& kind, reports::DocumentScope scope, Maker make,
                  QWidget* parent = nullptr);
    ~ReportPreview() override;

    const QTextDocument& document() const { return *m_made.text; }

    QTextEdit* View;
    QPushButton* SavePdfButton;
    QPushButton* SaveOdtButton;
    QPushButton* SaveCsvButton; // nullptr for a document that is no list
    // The period, for the documents made for one (nullptr otherwise):
    // "учебный год" or "календарные годы" (for a department's document), and
    // the calendar years from and to.
    QComboBox* PeriodKind = nullptr;
    QSpinBox* FromYear = nullptr;
    QSpinBox* ToYear = nullptr;
    QPushButton* OpenButton;

    // Each asks for the file (the user may cancel) and shows a failure; true
    // when a file was written (and, for openInViewer, handed to the viewer).
    bool savePdf();
    bool saveOdt();
    bool saveCsv();
    bool openInViewer();

    // Hands a file to the system's viewer; false when none would take it.
    using Viewer = std::function<bool(const QString& path)>;
    // Replaces the system's viewer (tests); an empty one restores it.
    static void setViewer(Viewer viewer);

private:
    void addPeriodChoice(QVBoxLayout& layout);
    // Makes the document again for the period chosen; a failure is shown and
    // the document shown stays.
    void remake();

    // Asks for the file offered as the document's name with `extension`,
    // then lets `write` write it.
    bool saveAs(const QString& caption, const QString& extension, const QString& filter,
                const std::function<void(const QString&)>& write);

    const reports::DocumentKind& m_kind;
    reports::DocumentScope m_scope;
    Maker m_make;
    reports::MadeDocument m_made;
};

} // namespace ui
