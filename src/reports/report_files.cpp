#include "reports/report_files.h"

#include "reports/report_document.h"

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
#include <QTextBlock>
#include <QTextDocumentWriter>
#include <QTextFrame>
#include <QRegularExpression>
#include <private/qzipreader_p.h>
#include <private/qzipwriter_p.h>

#include <memory>
#include <stdexcept>

namespace reports {
namespace {

constexpr int kPdfResolution = 300; // dots per inch
constexpr qreal kMarginMillimetres = 20;
constexpr qreal kPageWidthMillimetres = 210; // A4
constexpr qreal kPageHeightMillimetres = 297;
// At the top of each page of a document whose lists a page may go on with:
// room for the teacher's name "(продолжение)".
constexpr qreal kContinuedMillimetres = 6;

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

// Moves each paragraph that a page break would split to the next page whole,
// as the break before it: Qt's layout breaks a paragraph between its lines. A
// paragraph moved shifts all after it by the same length, so one layout tells
// where the next ones fall; another checks (a moved heading's margin may fall
// differently) until none is split.
void keepParagraphsWhole(QTextDocument& document, qreal pageHeight)
{
    const QSizeF pageSize = document.pageSize();
    for (int round = 0; round < 4; ++round) {
        const QAbstractTextDocumentLayout& layout = *document.documentLayout();
        qreal shift = 0;
        QVector<int> moved; // the paragraphs' positions
        for (QTextFrame::iterator it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
            const QTextBlock block = it.currentBlock();
            if (!block.isValid())
                continue; // a table: Qt breaks it between rows, its titles repeated
            const QTextBlockFormat format = block.blockFormat();
            const QRectF rect = layout.blockBoundingRect(block).translated(0, shift);
            const qreal top = rect.top() + format.topMargin();
            const qreal lines = rect.height() - format.topMargin() - format.bottomMargin();
            const int firstPage = int(top / pageHeight);
            if (lines >= pageHeight || int((top + lines - 0.5) / pageHeight) == firstPage)
                continue;
            moved.append(block.position());
            shift += (firstPage + 1) * pageHeight - rect.top();
        }
        if (moved.isEmpty())
            return;
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        for (const int position : std::as_const(moved)) {
            cursor.setPosition(position);
            QTextBlockFormat format = cursor.blockFormat();
            format.setPageBreakPolicy(format.pageBreakPolicy() | QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
        }
        cursor.endEditBlock();
        // Laid out whole again, not in steps.
        document.setPageSize(QSizeF());
        document.setPageSize(pageSize);
    }
}

// The name of the teacher whose list each page goes on with (empty where
// the page starts otherwise), from the layout of `document` on pages of
// `pageHeight`.
QStringList continuedLists(const QTextDocument& document, qreal pageHeight, int pages)
{
    QStringList names(pages);
    QVector<bool> seen(pages);
    const QAbstractTextDocumentLayout& layout = *document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int page = int(layout.blockBoundingRect(block).top() / pageHeight);
        if (page <= 0 || page >= pages || seen[page])
            continue;
        seen[page] = true;
        names[page] = block.blockFormat().stringProperty(kListOfTeacher);
    }
    return names;
}

// Lays a copy of the document out on the writer's pages and paints them one
// by one with the page number in the bottom margin, and the teacher whose list
// a page goes on with at its top.
int printPages(const QTextDocument& document, QPdfWriter& writer)
{
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(&writer);
    const qreal dotsPerMillimetre = kPdfResolution / 25.4;
    const qreal margin = kMarginMillimetres * dotsPerMillimetre;
    const bool continued = document.rootFrame()->frameFormat().boolProperty(kListsContinued);
    const qreal strip = continued ? kContinuedMillimetres * dotsPerMillimetre : 0;
    const QSizeF body(writer.width() - 2 * margin, writer.height() - 2 * margin - strip);
    copy->setPageSize(body);
    keepParagraphsWhole(*copy, body.height());
    // After an edit the layout goes on in steps of an event loop the PDF does
    // not wait for: the last paragraph's place finishes it.
    copy->documentLayout()->blockBoundingRect(copy->lastBlock());
    const int pages = copy->pageCount();
    const QStringList teachers = continued ? continuedLists(*copy, body.height(), pages) : QStringList();

    QPainter painter;
    if (!painter.begin(&writer))
        return -1;
    painter.setFont(copy->defaultFont());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        const QRectF visible(0, page * body.height(), body.width(), body.height());
        painter.save();
        painter.translate(margin, margin + strip - visible.top());
        copy->drawContents(&painter, visible);
        painter.restore();
        if (!teachers.value(page).isEmpty()) {
            QFont heading = copy->defaultFont();
            heading.setBold(true);
            painter.save();
            painter.setFont(heading);
            painter.drawText(QRectF(margin, margin, body.width(), strip), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("%1 (продолжение)").arg(teachers[page]));
            painter.restore();
        }
        painter.drawText(QRectF(margin, margin + strip + body.height(), body.width(), margin / 2), Qt::AlignCenter,
                         QString::number(page + 1));
    }
    return painter.end() ? pages : -1;
}

QString centimetres(qreal millimetres)
{
    return QString::number(millimetres / 10, 'f', 3) + QStringLiteral("cm");
}

// Qt's ODF writer leaves out what Writer needs to keep the layout: its
// column widths are percentages (not an ODF length, so Writer makes the
// columns equal), a table's width of 100 % comes out as "100pt", and it
// writes no styles (so
// Writer's default font and page apply). The content gets real lengths for the
// text width of the PDF's page, and styles.xml the document's font and size,
// the page and its margins and a footer with the page number.
QByteArray odtContent(QByteArray content)
{
    const qreal textWidth = kPageWidthMillimetres - 2 * kMarginMillimetres;
    QString xml = QString::fromUtf8(content);
    static const QRegularExpression column(QStringLiteral(R"(style:column-width="([0-9.]+)%")"));
    QString fixed;
    qsizetype from = 0;
    for (auto match = column.globalMatch(xml); match.hasNext();) {
        const auto found = match.next();
        fixed += QStringView(xml).mid(from, found.capturedStart() - from);
        const qreal percent = found.captured(1).toDouble();
        fixed += QStringLiteral(R"(style:column-width="%1" style:rel-column-width="%2*")")
                     .arg(centimetres(textWidth * percent / 100))
                     .arg(qRound(percent * 100));
        from = found.capturedEnd();
    }
    fixed += QStringView(xml).mid(from);
    static const QRegularExpression tableWidth(QStringLiteral(R"((<style:table-properties[^>]*?) style:width="[^"]*")"));
    fixed.replace(tableWidth, QStringLiteral(R"(\1 style:width="%1" table:align="margins")").arg(centimetres(textWidth)));
    return fixed.toUtf8();
}

QByteArray odtStyles(const QTextDocument& document)
{
    const QFont font = document.defaultFont();
    const qreal bottom = kMarginMillimetres / 2; // the footer's room in the margin, as on the PDF's page
    return QStringLiteral(
               R"(<?xml version="1.0" encoding="UTF-8"?>)"
               "\n"
               R"(<office:document-styles xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
               R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
               R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
               R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2">)"
               R"(<office:styles>)"
               R"(<style:default-style style:family="paragraph"><style:paragraph-properties fo:keep-together="always"/>)"
               R"(<style:text-properties style:font-name="%1" fo:font-family="'%1'" fo:font-size="%2pt" )"
               R"(fo:language="ru" fo:country="RU" fo:hyphenate="false"/></style:default-style>)"
               R"(<style:default-style style:family="table-row">)"
               R"(<style:table-row-properties fo:keep-together="always"/></style:default-style>)"
               R"(<style:style style:name="Standard" style:family="paragraph"/>)"
               R"(<style:style style:name="Footer" style:family="paragraph">)"
               R"(<style:paragraph-properties fo:text-align="center"/></style:style>)"
               R"(</office:styles>)"
               R"(<office:automatic-styles><style:page-layout style:name="Page">)"
               R"(<style:page-layout-properties fo:page-width="%3" fo:page-height="%4" )"
               R"(style:print-orientation="portrait" fo:margin-top="%5" fo:margin-left="%5" fo:margin-right="%5" )"
               R"(fo:margin-bottom="%6"/>)"
               R"(<style:footer-style><style:header-footer-properties fo:min-height="%7" fo:margin-top="%7"/>)"
               R"(</style:footer-style></style:page-layout></office:automatic-styles>)"
               R"(<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="Page">)"
               R"(<style:footer><text:p text:style-name="Footer"><text:page-number text:select-page="current"/>)"
               R"(</text:p></style:footer></style:master-page></office:master-styles>)"
               R"(</office:document-styles>)")
        .arg(font.family().toHtmlEscaped())
        .arg(font.pointSizeF())
        .arg(centimetres(kPageWidthMillimetres), centimetres(kPageHeightMillimetres),
             centimetres(kMarginMillimetres), centimetres(bottom), centimetres(bottom / 2))
        .toUtf8();
}

} // namespace

QByteArray odtBytes(const QTextDocument& document)
{
    QBuffer written;
    QTextDocumentWriter writer(&written, "odf");
    if (!writer.write(&document))
        return {};
    QBuffer source(&written.buffer());
    QZipReader reader(&source);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    QZipWriter zip(&bytes);
    // The mimetype first and stored, as the format asks.
    zip.setCompressionPolicy(QZipWriter::NeverCompress);
    zip.addFile(QStringLiteral("mimetype"), reader.fileData(QStringLiteral("mimetype")));
    zip.setCompressionPolicy(QZipWriter::AutoCompress);
    QByteArray manifest = reader.fileData(QStringLiteral("META-INF/manifest.xml"));
    manifest.replace("</manifest:manifest>", R"( <manifest:file-entry manifest:media-type="text/xml" )"
                                             R"(manifest:full-path="styles.xml"/>)"
                                             "\n</manifest:manifest>");
    zip.addFile(QStringLiteral("META-INF/manifest.xml"), manifest);
    zip.addFile(QStringLiteral("content.xml"), odtContent(reader.fileData(QStringLiteral("content.xml"))));
    zip.addFile(QStringLiteral("styles.xml"), odtStyles(document));
    zip.close();
    if (reader.status() != QZipReader::NoError || zip.status() != QZipWriter::NoError)
        return {};
    return bytes.data();
}

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

// Into memory first, as the PDF: the ODF writer closes its device when done,
// and the package is rewritten with the document's own styles.
void saveOdt(const QTextDocument& document, const QString& path)
{
    const QByteArray bytes = odtBytes(document);
    if (bytes.isEmpty())
        cannotWrite(path, QStringLiteral("документ не удалось преобразовать в формат OpenDocument"));
    saveWhole(path, bytes);
}

void saveCsv(const formats::CsvWriter& csv, const QString& path)
{
    saveWhole(path, csv.data());
}

} // namespace reports
