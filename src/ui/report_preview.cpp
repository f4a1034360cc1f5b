#include "ui/report_preview.h"

#include "controls/dialogs.h"
#include "reports/report_files.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QSpinBox>
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

ReportPreview::ReportPreview(const reports::DocumentKind& kind, reports::DocumentScope scope, Maker make,
                             QWidget* parent)
    : QDialog(parent)
    , m_kind(kind)
    , m_scope(std::move(scope))
    , m_make(std::move(make))
    , m_made(m_make(m_scope))
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
    SaveCsvButton = m_kind.isList ? new QPushButton(QStringLiteral("Сохранить CSV…"), this) : nullptr;
    OpenButton = new QPushButton(QStringLiteral("Открыть"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    connect(SavePdfButton, &QPushButton::clicked, this, &ReportPreview::savePdf);
    connect(SaveOdtButton, &QPushButton::clicked, this, &ReportPreview::saveOdt);
    if (SaveCsvButton)
        connect(SaveCsvButton, &QPushButton::clicked, this, &ReportPreview::saveCsv);
    connect(OpenButton, &QPushButton::clicked, this, &ReportPreview::openInViewer);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SavePdfButton);
    buttons->addWidget(SaveOdtButton);
    if (SaveCsvButton)
        buttons->addWidget(SaveCsvButton);
    buttons->addWidget(OpenButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    addPeriodChoice(*layout);
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

bool ReportPreview::saveCsv()
{
    if (!m_made.csv)
        return false;
    return saveAs(QStringLiteral("Сохранить CSV"), QStringLiteral(".csv"), QStringLiteral("CSV (*.csv)"),
                  [this](const QString& path) { reports::saveCsv(*m_made.csv, path); });
}

void ReportPreview::addPeriodChoice(QVBoxLayout& layout)
{
    using reports::PeriodChoice;
    if (m_kind.period == PeriodChoice::None)
        return;
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Период:"), this));
    if (m_kind.period == PeriodChoice::AcademicOrCalendarYears) {
        PeriodKind = new QComboBox(this);
        PeriodKind->setObjectName(QStringLiteral("PeriodKind"));
        PeriodKind->addItems({QStringLiteral("учебный год %1").arg(m_scope.year.caption),
                              QStringLiteral("календарные годы")});
        PeriodKind->setCurrentIndex(m_scope.calendarYears ? 1 : 0);
        row->addWidget(PeriodKind);
    }
    const reports::YearRange years = m_scope.calendarYears.value_or(
        m_kind.period == PeriodChoice::CalendarYears ? reports::defaultCalendarYears(m_scope.made)
                                                     : reports::YearRange{m_scope.year.firstYear, m_scope.year.firstYear});
    auto yearBox = [this](const QString& name, int value) {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(1900, 2100);
        box->setValue(value);
        // Made again when a year is entered whole, not at each digit.
        box->setKeyboardTracking(false);
        return box;
    };
    FromYear = yearBox(QStringLiteral("FromYear"), years.first);
    ToYear = yearBox(QStringLiteral("ToYear"), years.last);
    row->addWidget(new QLabel(QStringLiteral("с"), this));
    row->addWidget(FromYear);
    row->addWidget(new QLabel(QStringLiteral("по"), this));
    row->addWidget(ToYear);
    row->addStretch();
    layout.addLayout(row);
    const auto update = [this] {
        if (PeriodKind) {
            FromYear->setEnabled(PeriodKind->currentIndex() == 1);
            ToYear->setEnabled(PeriodKind->currentIndex() == 1);
        }
        remake();
    };
    if (PeriodKind) {
        FromYear->setEnabled(PeriodKind->currentIndex() == 1);
        ToYear->setEnabled(PeriodKind->currentIndex() == 1);
        connect(PeriodKind, &QComboBox::currentIndexChanged, this, update);
    }
    connect(FromYear, &QSpinBox::valueChanged, this, update);
    connect(ToYear, &QSpinBox::valueChanged, this, update);
}

void ReportPreview::remake()
{
    reports::DocumentScope scope = m_scope;
    if (PeriodKind && PeriodKind->currentIndex() == 0)
        scope.calendarYears.reset();
    else
        scope.calendarYears = reports::YearRange{std::min(FromYear->value(), ToYear->value()),
                                                 std::max(FromYear->value(), ToYear->value())};
    controls::guarded([&] {
        reports::MadeDocument made = m_make(scope);
        View->setDocument(made.text.get());
        m_made = std::move(made);
        m_scope = scope;
        setWindowTitle(m_made.text->metaInformation(QTextDocument::DocumentTitle));
    });
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
