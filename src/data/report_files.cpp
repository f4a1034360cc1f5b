#include "data/report_files.h"

#include "formats/csv_writer.h"
#include "formats/whole_file.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextDocumentWriter>

#include <memory>
#include <stdexcept>

namespace reports {
namespace {

constexpr int kPdfResolution = 300; // dots per inch
constexpr qreal kMarginMillimetres = 20;

[[noreturn]] void cannotWrite(const QString& path, const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), reason).toStdString());
}

void saveWhole(const QString& path, const QByteArray& bytes)
{
    try {
        formats::saveWholeFile(path, bytes);
    } catch (const formats::SaveError& error) {
        cannotWrite(path, error.reason());
    }
}

// Lays a copy of the document out on the writer's pages and paints them one
// by one with the page number in the bottom margin.
int printPages(const QTextDocument& document, QPdfWriter& writer)
{
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(&writer);
    const qreal margin = kMarginMillimetres / 25.4 * kPdfResolution;
    const QSizeF body(writer.width() - 2 * margin, writer.height() - 2 * margin);
    copy->setPageSize(body);
    const int pages = copy->pageCount();

    QPainter painter;
    if (!painter.begin(&writer))
        return -1;
    painter.setFont(copy->defaultFont());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        const QRectF visible(0, page * body.height(), body.width(), body.height());
        painter.save();
        painter.translate(margin, margin - visible.top());
        copy->drawContents(&painter, visible);
        painter.restore();
        painter.drawText(QRectF(margin, margin + body.height(), body.width(), margin / 2), Qt::AlignCenter,
                         QString::number(page + 1));
    }
    return painter.end() ? pages : -1;
}

} // namespace

int savePdf(const QTextDocument& document, const QString& path)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    int pages = 0;
    {
        QPdfWriter writer(&bytes);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("QEL 23"));
        pages = printPages(document, writer);
    }
    if (pages < 0)
        cannotWrite(path, QStringLiteral("страницы документа не удалось напечатать в PDF"));
    saveWhole(path, bytes.data());
    return pages;
}

// Into memory first, as the PDF: the ODF writer closes its device when done.
void saveOdt(const QTextDocument& document, const QString& path)
{
    QBuffer bytes;
    QTextDocumentWriter writer(&bytes, "odf");
    if (!writer.write(&document))
        cannotWrite(path, QStringLiteral("документ не удалось преобразовать в формат OpenDocument"));
    saveWhole(path, bytes.data());
}

void saveCsv(const formats::CsvWriter& csv, const QString& path)
{
    saveWhole(path, csv.data());
}

} // namespace reports
