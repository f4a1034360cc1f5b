#include "reports/report_document.h"

#include <QTextCursor>
#include <QTextTable>

namespace reports {
namespace {

const QString kNoData = QStringLiteral("нет данных");
const QString kNoPublications = QStringLiteral("нет публикаций");
const QString kNoType = QStringLiteral("вид не указан");
const QStringList kPublicationTitles = {QStringLiteral("№"),    QStringLiteral("Вид публикации"),
                                        QStringLiteral("Тема"), QStringLiteral("Дата"),
                                        QStringLiteral("Страниц"), QStringLiteral("Примечание")};
// Widths of a table's columns in per cent of the text width.
using Widths = QVector<int>;

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString numberText(const std::optional<int>& number)
{
    return number ? QString::number(*number) : QString();
}

QString typeText(const QString& type)
{
    return type.isEmpty() ? kNoType : type;
}

QString yearFileText(const AcademicYear& year)
{
    return QString(year.caption).replace(u'/', u'-');
}

// Writes a document from its start with a few kinds of block.
class DocumentWriter {
public:
    explicit DocumentWriter(QTextDocument& document)
        : m_cursor(&document)
    {
        QFont font = document.defaultFont();
        font.setPointSizeF(9);
        document.setDefaultFont(font);
    }

    void title(const QString& text)
    {
        QTextBlockFormat block;
        block.setAlignment(Qt::AlignHCenter);
        block.setBottomMargin(12);
        QTextCharFormat chars;
        chars.setFontPointSize(14);
        chars.setFontWeight(QFont::Bold);
        startBlock(block);
        m_cursor.insertText(text, chars);
    }

    void line(const QString& label, const QString& value)
    {
        startBlock(QTextBlockFormat());
        m_cursor.insertText(label + QStringLiteral(": "), bold());
        m_cursor.insertText(value, QTextCharFormat());
    }

    void heading(const QString& text)
    {
        QTextBlockFormat block;
        block.setTopMargin(14);
        block.setBottomMargin(4);
        block.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
        QTextCharFormat chars = bold();
        chars.setFontPointSize(12);
        startBlock(block);
        m_cursor.insertText(text, chars);
    }

    void paragraph(const QString& text)
    {
        startBlock(QTextBlockFormat());
        m_cursor.insertText(text, QTextCharFormat());
    }

    void noData(const QString& text = kNoData)
    {
        QTextCharFormat chars;
        chars.setFontItalic(true);
        startBlock(QTextBlockFormat());
        m_cursor.insertText(text, chars);
    }

    // A table with a title row repeated on every page; rows whose index is
    // in `boldRows` (counted without the title row) in bold.
    void table(const QStringList& titles, const Widths& widths, const QVector<QStringList>& rows,
               const QVector<int>& boldRows = {})
    {
        QTextTableFormat format;
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        QVector<QTextLength> columns;
        for (const int width : widths)
            columns.append(QTextLength(QTextLength::PercentageLength, width));
        format.setColumnWidthConstraints(columns);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(Qt::darkGray);
        format.setBorder(1);
        format.setBorderCollapse(true);
        format.setCellPadding(2);
        format.setBottomMargin(6);
        format.setCellSpacing(0);
        format.setHeaderRowCount(1);
        QTextTable* table = m_cursor.insertTable(int(rows.size()) + 1, int(titles.size()), format);
        for (int c = 0; c < titles.size(); ++c)
            table->cellAt(0, c).firstCursorPosition().insertText(titles[c], bold());
        for (int r = 0; r < rows.size(); ++r) {
            const QTextCharFormat chars = boldRows.contains(r) ? bold() : QTextCharFormat();
            for (int c = 0; c < titles.size() && c < rows[r].size(); ++c)
                if (!rows[r][c].isEmpty())
                    table->cellAt(r + 1, c).firstCursorPosition().insertText(rows[r][c], chars);
        }
        m_cursor.movePosition(QTextCursor::End);
        m_afterTable = true;
    }

    // One paragraph per publication, numbered from 1, oldest first: the
    // number, the type, the title, then date, pages and note where given.
    // Paragraphs rather than a table: a department's year runs to thousands
    // of publications, which a table takes many times longer to lay out.
    void publications(const QVector<Publication>& publications)
    {
        QTextBlockFormat block;
        block.setLeftMargin(22);
        block.setTextIndent(-22);
        block.setBottomMargin(3);
        QTextCharFormat italic;
        italic.setFontItalic(true);
        int number = 0;
        for (const Publication& publication : publications) {
            startBlock(block);
            m_cursor.insertText(QStringLiteral("%1. ").arg(++number), bold());
            m_cursor.insertText(typeText(publication.type), italic);
            QStringList details;
            if (publication.date.isValid())
                details << dateText(publication.date);
            if (publication.pages)
                details << QStringLiteral("%1 с.").arg(*publication.pages);
            QString text = QStringLiteral(": ") + publication.title;
            if (!details.isEmpty())
                text += QStringLiteral(". ") + details.join(QStringLiteral(", "));
            if (!publication.note.isEmpty())
                text += QStringLiteral(" — ") + publication.note;
            m_cursor.insertText(text, QTextCharFormat());
        }
    }

    // A table, or "нет данных" without rows.
    void section(const QString& heading, const QStringList& titles, const Widths& widths,
                 const QVector<QStringList>& rows)
    {
        this->heading(heading);
        if (rows.isEmpty())
            noData();
        else
            table(titles, widths, rows);
    }

    void textSection(const QString& heading, const QString& text)
    {
        this->heading(heading);
        if (text.trimmed().isEmpty())
            noData();
        else
            paragraph(text);
    }

private:
    static QTextCharFormat bold()
    {
        QTextCharFormat chars;
        chars.setFontWeight(QFont::Bold);
        return chars;
    }

    // The document's first block, and the block after a table, are there
    // already and empty; every other block is new.
    void startBlock(const QTextBlockFormat& format)
    {
        if (m_started && !m_afterTable)
            m_cursor.insertBlock(format, QTextCharFormat());
        else
            m_cursor.setBlockFormat(format);
        m_started = true;
        m_afterTable = false;
    }

    QTextCursor m_cursor;
    bool m_started = false;
    bool m_afterTable = false;
};

// The CSV's columns of a publication, numbered as in the documents.
QVector<QStringList> publicationRows(const QVector<Publication>& publications)
{
    QVector<QStringList> rows;
    rows.reserve(publications.size());
    int number = 0;
    for (const Publication& publication : publications)
        rows.append({QString::number(++number), typeText(publication.type), publication.title,
                     dateText(publication.date), numberText(publication.pages), publication.note});
    return rows;
}

std::unique_ptr<QTextDocument> newDocument(const QString& title)
{
    auto document = std::make_unique<QTextDocument>();
    document->setMetaInformation(QTextDocument::DocumentTitle, title);
    document->setUndoRedoEnabled(false);
    return document;
}

} // namespace

std::unique_ptr<QTextDocument> makeProfileDocument(const TeacherProfile& profile)
{
    auto document = newDocument(QStringLiteral("Научная деятельность сотрудника: %1").arg(profile.teacher.name));
    DocumentWriter out(*document);
    out.title(QStringLiteral("Научная деятельность сотрудника"));
    out.line(QStringLiteral("Преподаватель"), profile.teacher.name);
    out.line(QStringLiteral("Кафедра"), profile.department.name);
    out.line(QStringLiteral("Учебный год"), profile.year.caption);
    out.line(QStringLiteral("Дата составления"), dateText(profile.made));

    QVector<QStringList> rows;
    for (const ScientificRecord& record : profile.scientific)
        rows.append({record.degree, record.title, record.theme, record.specialityCode,
                     numberText(record.yearOfDefence)});
    out.section(QStringLiteral("Учёная степень и звание"),
                {QStringLiteral("Учёная степень"), QStringLiteral("Учёное звание"), QStringLiteral("Тема диссертации"),
                 QStringLiteral("Шифр специальности"), QStringLiteral("Год защиты")},
                {15, 15, 37, 20, 13}, rows);

    rows.clear();
    for (const LanguageSkill& skill : profile.languages)
        rows.append({skill.language, skill.level, numberText(skill.reading), numberText(skill.speaking),
                     numberText(skill.writing)});
    out.section(QStringLiteral("Знание языков"),
                {QStringLiteral("Язык"), QStringLiteral("Уровень знания"), QStringLiteral("Чтение"),
                 QStringLiteral("Разговор"), QStringLiteral("Письмо")},
                {28, 30, 14, 14, 14}, rows);

    out.heading(QStringLiteral("Публикации"));
    if (profile.publications.isEmpty())
        out.noData();
    else
        out.publications(profile.publications);

    rows.clear();
    for (const Membership& membership : profile.memberships)
        rows.append({membership.shortName, membership.fullName});
    out.section(QStringLiteral("Членство в организациях"),
                {QStringLiteral("Краткое название"), QStringLiteral("Полное название")}, {25, 75}, rows);

    out.textSection(QStringLiteral("Личные навыки"), profile.personalSkills);
    out.textSection(QStringLiteral("Компьютерные навыки"), profile.computerSkills);
    out.textSection(QStringLiteral("Дополнительная информация"), profile.otherInfo);
    return document;
}

std::unique_ptr<QTextDocument> makePublicationsDocument(const DepartmentPublications& publications)
{
    auto document = newDocument(QStringLiteral("Публикации кафедры за %1 учебный год: %2")
                                    .arg(publications.year.caption, publications.department.name));
    DocumentWriter out(*document);
    out.title(QStringLiteral("Публикации кафедры за учебный год"));
    out.line(QStringLiteral("Кафедра"), publications.department.name);
    out.line(QStringLiteral("Учебный год"), QStringLiteral("%1 (с %2 по %3)")
                                                .arg(publications.year.caption, dateText(publications.year.firstDay()),
                                                     dateText(publications.year.lastDay())));
    out.line(QStringLiteral("Дата составления"), dateText(publications.made));

    if (publications.teachers.isEmpty()) {
        out.heading(QStringLiteral("Преподаватели"));
        out.noData();
    }
    for (const TeacherPublications& teacher : publications.teachers) {
        out.heading(teacher.teacher.name);
        if (teacher.publications.isEmpty())
            out.noData(kNoPublications);
        else
            out.publications(teacher.publications);
    }

    out.heading(QStringLiteral("Итого по видам публикаций"));
    const QVector<TypeTotal> totals = publications.totalsByType();
    if (totals.isEmpty()) {
        out.noData(kNoPublications);
        return document;
    }
    QVector<QStringList> rows;
    for (const TypeTotal& type : totals)
        rows.append({typeText(type.type), QString::number(type.count), QString::number(type.pages)});
    const TypeTotal all = publications.total();
    rows.append({QStringLiteral("Всего"), QString::number(all.count), QString::number(all.pages)});
    out.table({QStringLiteral("Вид публикации"), QStringLiteral("Количество"), QStringLiteral("Страниц")}, {60, 20, 20},
              rows, {int(rows.size()) - 1});
    return document;
}

db::CsvWriter makePublicationsCsv(const DepartmentPublications& publications)
{
    db::CsvWriter csv;
    csv.addRow(QStringList{QStringLiteral("Преподаватель")} + kPublicationTitles);
    for (const TeacherPublications& teacher : publications.teachers)
        for (const QStringList& row : publicationRows(teacher.publications))
            csv.addRow(QStringList{teacher.teacher.name} + row);
    return csv;
}

QString safeFileName(const QString& text)
{
    QString name = text.trimmed();
    for (QChar& c : name)
        if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = u'_';
    while (name.endsWith(u'.') || name.endsWith(u' '))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("_") : name;
}

QString profileFileName(const TeacherProfile& profile)
{
    return safeFileName(QStringLiteral("%1 %2").arg(profile.teacher.name, yearFileText(profile.year)));
}

QString publicationsFileName(const DepartmentPublications& publications)
{
    return safeFileName(
        QStringLiteral("Публикации %1 %2").arg(publications.department.name, yearFileText(publications.year)));
}

} // namespace reports
