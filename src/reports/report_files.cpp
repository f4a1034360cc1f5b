#include "reports/report_files.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.errorString());
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("QEL 23"));
        pages = printPages(document, writer);
    }
    if (pages < 0 || file.error() != QFileDevice::NoError)
        cannotWrite(path, file.errorString());
    if (!file.commit())
        cannotWrite(path, file.errorString());
    return pages;
}

// The ODF writer closes its device when done, which a QSaveFile must not
// be: it writes into memory first.
void saveOdt(const QTextDocument& document, const QString& path)
{
    QBuffer bytes;
    QTextDocumentWriter writer(&bytes, "odf");
    if (!writer.write(&document))
        cannotWrite(path, QStringLiteral("документ не удалось преобразовать в формат OpenDocument"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data()) != bytes.size() || !file.commit())
        cannotWrite(path, file.errorString());
}

} // namespace reports
