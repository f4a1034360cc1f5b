#pragma once
// The preview of a document: the document as it will be printed, scrollable,
// with "Сохранить PDF…", "Сохранить ODT…" and "Открыть" (a PDF in a temporary
// folder, opened in the system's viewer, from where the user prints).
#include "reports/documents.h"

#include <QDialog>

#include <functional>
#include <memory>

class QPushButton;
class QTextDocument;
class QTextEdit;

namespace ui {

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // `made`: a document of the kind, as its entry in the table of documents made it.
    ReportPreview(const reports::DocumentKind& kind, reports::MadeDocument made, QWidget* parent = nullptr);
    ~ReportPreview() override;

    const QTextDocument& document() const { return *m_made.text; }

    QTextEdit* View;
    QPushButton* SavePdfButton;
    QPushButton* SaveOdtButton;
    QPushButton* OpenButton;

    // Each asks for the file (the user may cancel) and shows a failure; true
    // when a file was written (and, for openInViewer, handed to the viewer).
    bool savePdf();
    bool saveOdt();
    bool openInViewer();

    // Hands a file to the system's viewer; false when none would take it.
    using Viewer = std::function<bool(const QString& path)>;
    // Replaces the system's viewer (tests); an empty one restores it.
    static void setViewer(Viewer viewer);

private:
    // Asks for the file offered as the document's name with `extension`,
    // then lets `write` write it.
    bool saveAs(const QString& caption, const QString& extension, const QString& filter,
                const std::function<void(const QString&)>& write);

    const reports::DocumentKind& m_kind;
    reports::MadeDocument m_made;
};

} // namespace ui
