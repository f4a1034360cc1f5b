#include "ui/report_preview.h"

#include "controls/dialogs.h"
#include "reports/report_files.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include <stdexcept>

namespace ui {
namespace {

ReportPreview::Viewer& installedViewer()
{
    static ReportPreview::Viewer viewer;
    return viewer;
}

bool openWithSystemViewer(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The files handed to the viewer live until the program ends.
QString temporaryFolder()
{
    static QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("qel23-XXXXXX")));
    if (!folder.isValid())
        throw std::runtime_error(QStringLiteral("Не удалось создать временную папку: %1")
                                     .arg(folder.errorString())
                                     .toStdString());
    return folder.path();
}

// The printed page's text width on the screen: A4 less 2 cm on each side.
int pageTextWidth(const QWidget& widget)
{
    return qRound(170 / 25.4 * widget.logicalDpiX());
}

} // namespace

ReportPreview::ReportPreview(const reports::DocumentKind& kind, reports::MadeDocument made, QWidget* parent)
    : QDialog(parent)
    , m_kind(kind)
    , m_made(std::move(made))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(m_made.text->metaInformation(QTextDocument::DocumentTitle));
    setAttribute(Qt::WA_DeleteOnClose);

    View = new QTextEdit(this);
    View->setObjectName(QStringLiteral("View"));
    View->setReadOnly(true);
    View->setLineWrapMode(QTextEdit::FixedPixelWidth);
    View->setLineWrapColumnOrWidth(pageTextWidth(*this));
    View->setDocument(m_made.text.get());

    SavePdfButton = new QPushButton(QStringLiteral("Сохранить PDF…"), this);
    SaveOdtButton = new QPushButton(QStringLiteral("Сохранить ODT…"), this);
    OpenButton = new QPushButton(QStringLiteral("Открыть"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    connect(SavePdfButton, &QPushButton::clicked, this, &ReportPreview::savePdf);
    connect(SaveOdtButton, &QPushButton::clicked, this, &ReportPreview::saveOdt);
    connect(OpenButton, &QPushButton::clicked, this, &ReportPreview::openInViewer);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SavePdfButton);
    buttons->addWidget(SaveOdtButton);
    buttons->addWidget(OpenButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(View);
    layout->addLayout(buttons);
    resize(pageTextWidth(*this) + 80, 760);
}

// The view lets go of the document before it goes.
ReportPreview::~ReportPreview()
{
    View->setDocument(nullptr);
}

bool ReportPreview::saveAs(const QString& caption, const QString& extension, const QString& filter,
                           const std::function<void(const QString&)>& write)
{
    bool written = false;
    controls::guarded([&] {
        const QString path = controls::askSaveFileName(caption, m_made.fileName + extension, filter);
        if (path.isEmpty())
            return;
        write(path);
        written = true;
    });
    return written;
}

bool ReportPreview::savePdf()
{
    return saveAs(QStringLiteral("Сохранить PDF"), QStringLiteral(".pdf"), QStringLiteral("PDF (*.pdf)"),
                  [this](const QString& path) { reports::savePdf(*m_made.text, path); });
}

bool ReportPreview::saveOdt()
{
    return saveAs(QStringLiteral("Сохранить ODT"), QStringLiteral(".odt"), QStringLiteral("OpenDocument (*.odt)"),
                  [this](const QString& path) { reports::saveOdt(*m_made.text, path); });
}

bool ReportPreview::openInViewer()
{
    return controls::guarded([this] {
        const QString path = QDir(temporaryFolder()).filePath(m_made.fileName + QStringLiteral(".pdf"));
        reports::savePdf(*m_made.text, path);
        const Viewer viewer = installedViewer() ? installedViewer() : Viewer(openWithSystemViewer);
        if (!viewer(path))
            throw std::runtime_error(QStringLiteral("Не удалось открыть файл %1 в программе просмотра.")
                                         .arg(QDir::toNativeSeparators(path))
                                         .toStdString());
    });
}

void ReportPreview::setViewer(Viewer viewer)
{
    installedViewer() = std::move(viewer);
}

} // namespace ui
