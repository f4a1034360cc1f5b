#include "reports/report_document.h"

#include <QTextCursor>
#include <QTextTable>

namespace reports {
namespace {

const QString kNoData = QStringLiteral("нет данных");
const QString kNoPublications = QStringLiteral("нет публикаций");
const QString kNoType = QStringLiteral("вид не указан");
const QString kNoDate = QStringLiteral("дата не указана");

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

    void paragraph(const QString& text, const QTextBlockFormat& format = QTextBlockFormat())
    {
        startBlock(format);
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
    // Rows of one text only (as a section's title) span the whole table.
    QTextTable* table(const QStringList& titles, const Widths& widths, const QVector<QStringList>& rows,
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
            if (rows[r].size() == 1 && titles.size() > 1)
                table->mergeCells(r + 1, 0, 1, int(titles.size()));
            for (int c = 0; c < titles.size() && c < rows[r].size(); ++c)
                if (!rows[r][c].isEmpty())
                    table->cellAt(r + 1, c).firstCursorPosition().insertText(rows[r][c], chars);
        }
        m_cursor.movePosition(QTextCursor::End);
        m_afterTable = true;
        return table;
    }

    // One paragraph per publication, numbered from 1, oldest first: the
    // number, the type, the title, then date, pages and note where given.
    // Paragraphs rather than a table: a department's year runs to thousands
    // of publications, which a table takes many times longer to lay out.
    // `teacher`: the list's teacher, named again on a page that goes on with it.
    void publications(const QVector<Publication>& publications, const QString& teacher = {})
    {
        QTextBlockFormat block;
        block.setLeftMargin(22);
        block.setTextIndent(-22);
        block.setBottomMargin(3);
        if (!teacher.isEmpty())
            block.setProperty(kListOfTeacher, teacher);
        QTextCharFormat italic;
        italic.setFontItalic(true);
        int number = 0;
        for (const Publication& publication : publications) {
            startBlock(block);
            m_cursor.insertText(QStringLiteral("%1. ").arg(++number), bold());
            m_cursor.insertText(typeText(publication.type), italic);
            QStringList details{publication.date.isValid() ? dateText(publication.date) : kNoDate};
            if (publication.pages)
                details << pagesText(*publication.pages);
            QString text = QStringLiteral(": ") + joinSentences(publication.title, details.join(QStringLiteral(", ")));
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
                     publication.date.isValid() ? dateText(publication.date) : kNoDate,
                     numberText(publication.pages), publication.note});
    return rows;
}

std::unique_ptr<QTextDocument> newDocument(const QString& title)
{
    auto document = std::make_unique<QTextDocument>();
    document->setMetaInformation(QTextDocument::DocumentTitle, title);
    document->setUndoRedoEnabled(false);
    return document;
}

const QStringList kWorkTitles = {QStringLiteral("№ п/п"), QStringLiteral("Наименование работы, её вид"),
                                  QStringLiteral("Форма работы"), QStringLiteral("Выходные данные"),
                                  QStringLiteral("Объём в п.л. или с."), QStringLiteral("Соавторы")};
constexpr WorkSection kSections[] = {WorkSection::Educational, WorkSection::Scientific, WorkSection::Patents};

QString sectionTitle(WorkSection section)
{
    switch (section) {
    case WorkSection::Educational:
        return QStringLiteral("а) учебные издания");
    case WorkSection::Scientific:
        return QStringLiteral("б) научные труды");
    case WorkSection::Patents:
        break;
    }
    return QStringLiteral("в) патенты и свидетельства");
}

// The form's six columns of a work.
QStringList workRow(int number, const Work& work)
{
    const Publication& publication = work.publication;
    QString name = publication.title;
    if (!publication.type.isEmpty())
        name += QStringLiteral(" (%1)").arg(publication.type);
    const QString date = publication.date.isValid() ? dateText(publication.date) : kNoDate;
    return {QString::number(number) + u'.',
            name,
            workForm(publication.note),
            joinSentences(publication.note, date),
            publication.pages ? pagesText(*publication.pages) : QString(),
            work.coauthors.join(QStringLiteral(", "))};
}

void markListsContinued(QTextDocument& document)
{
    QTextFrameFormat format = document.rootFrame()->frameFormat();
    format.setProperty(kListsContinued, true);
    document.rootFrame()->setFrameFormat(format);
}

} // namespace

std::unique_ptr<QTextDocument> makeProfileDocument(const TeacherProfile& profile)
{
    auto document = newDocument(QStringLiteral("Профиль преподавателя: %1").arg(profile.teacher.name));
    DocumentWriter out(*document);
    out.title(QStringLiteral("Профиль преподавателя"));
    out.line(QStringLiteral("Преподаватель"), profile.teacher.name);
    out.line(QStringLiteral("Кафедра"), profile.department.name);
    // The profile lists every publication, whatever the year picker holds.
    out.line(QStringLiteral("Публикации"), ReportPeriod::allDates().caption);
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
    const ReportPeriod& period = publications.period;
    auto document = newDocument(
        QStringLiteral("Публикации кафедры, %1: %2").arg(period.caption, publications.department.name));
    markListsContinued(*document);
    DocumentWriter out(*document);
    out.title(QStringLiteral("Публикации кафедры"));
    out.line(QStringLiteral("Кафедра"), publications.department.name);
    out.line(QStringLiteral("Период"), QStringLiteral("%1 (с %2 по %3)")
                                           .arg(period.caption, dateText(period.firstDay), dateText(period.lastDay)));
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
            out.publications(teacher.publications, shortName(teacher.teacher.name));
    }

    out.heading(QStringLiteral("Итого по видам публикаций"));
    const DepartmentPublications::Summary summary = publications.summary();
    if (summary.byType.isEmpty()) {
        out.noData(kNoPublications);
        return document;
    }
    QVector<QStringList> rows;
    for (const TypeTotal& type : summary.byType)
        rows.append({typeText(type.type), QString::number(type.count), QString::number(type.pages)});
    rows.append({QStringLiteral("Всего"), QString::number(summary.all.count), QString::number(summary.all.pages)});
    const int all = int(rows.size()) - 1;
    rows.append({QStringLiteral("в том числе совместных"), QString::number(summary.joint), QString()});
    rows.append({QStringLiteral("в том числе без даты"), QString::number(summary.undated), QString()});
    out.table({QStringLiteral("Вид публикации"), QStringLiteral("Количество"), QStringLiteral("Страниц")}, {60, 20, 20},
              rows, {all});
    out.paragraph(QStringLiteral("Работа, внесённая несколькими преподавателями кафедры, указана у каждого из них, "
                                 "а в итогах учтена один раз."));
    return document;
}

formats::CsvWriter makePublicationsCsv(const DepartmentPublications& publications)
{
    formats::CsvWriter csv;
    csv.addRow(QStringList{QStringLiteral("Кафедра"), QStringLiteral("Период"), QStringLiteral("Преподаватель")}
               + kPublicationTitles);
    for (const TeacherPublications& teacher : publications.teachers)
        for (const QStringList& row : publicationRows(teacher.publications))
            csv.addRow(QStringList{publications.department.name, publications.period.caption, teacher.teacher.name}
                       + row);
    return csv;
}

std::unique_ptr<QTextDocument> makeWorksDocument(const TeacherWorks& works)
{
    auto document = newDocument(QStringLiteral("Список трудов: %1").arg(works.teacher.name));
    DocumentWriter out(*document);
    out.title(QStringLiteral("Список опубликованных учебных изданий и научных трудов"));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    out.paragraph(works.teacher.name, centred);
    QStringList rank;
    for (const QString& text : {works.degree, works.academicTitle})
        if (!text.isEmpty())
            rank << text;
    if (!rank.isEmpty())
        out.paragraph(rank.join(QStringLiteral(", ")), centred);
    out.paragraph(works.department.name, centred);
    out.paragraph(works.period.firstDay.isValid() ? QStringLiteral("за %1").arg(works.period.caption)
                                                  : works.period.caption,
                  centred);

    QVector<QStringList> rows;
    int number = 0;
    for (const WorkSection section : kSections) {
        rows.append({sectionTitle(section)});
        const qsizetype before = rows.size();
        for (const Work& work : works.works)
            if (sectionOf(work.publication.type) == section)
                rows.append(workRow(++number, work));
        if (rows.size() == before)
            rows.append({kNoData});
    }
    QVector<int> sectionRows;
    for (int r = 0; r < rows.size(); ++r)
        if (rows[r].size() == 1 && rows[r][0] != kNoData)
            sectionRows.append(r);
    out.table(kWorkTitles, {6, 30, 11, 28, 10, 15}, rows, sectionRows);

    QTextBlockFormat signature;
    signature.setTopMargin(14);
    const QString blank = QStringLiteral("____________________");
    out.paragraph(QStringLiteral("Соискатель %1 %2").arg(blank, shortName(works.teacher.name)), signature);
    out.paragraph(QStringLiteral("Список верен:"), signature);
    out.paragraph(QStringLiteral("Заведующий кафедрой %1 %1").arg(blank), signature);
    out.paragraph(QStringLiteral("Учёный секретарь %1 %1").arg(blank), signature);
    out.paragraph(QStringLiteral("«____» ______________ 20____ г."), signature);
    return document;
}

formats::CsvWriter makeWorksCsv(const TeacherWorks& works)
{
    formats::CsvWriter csv;
    csv.addRow(QStringList{QStringLiteral("Раздел")} + kWorkTitles);
    int number = 0;
    for (const WorkSection section : kSections)
        for (const Work& work : works.works)
            if (sectionOf(work.publication.type) == section)
                csv.addRow(QStringList{sectionTitle(section)} + workRow(++number, work));
    return csv;
}

QString pagesText(int pages)
{
    return QString::number(pages) + QChar(0x00A0) + QStringLiteral("с.");
}

QString joinSentences(const QString& first, const QString& second)
{
    const QString head = first.trimmed();
    if (head.isEmpty() || second.isEmpty())
        return head.isEmpty() ? second : head;
    static const QString endMarks = QStringLiteral(".?!…");
    return endMarks.contains(head.back()) ? head + u' ' + second : head + QStringLiteral(". ") + second;
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
    const ReportPeriod& period = publications.period;
    const bool academic = period.firstDay == publications.year.firstDay() && period.lastDay == publications.year.lastDay();
    const QString years = academic ? yearFileText(publications.year)
        : period.firstDay.year() == period.lastDay.year()
        ? QString::number(period.firstDay.year())
        : QStringLiteral("%1-%2").arg(period.firstDay.year()).arg(period.lastDay.year());
    return safeFileName(QStringLiteral("Публикации %1 %2").arg(publications.department.name, years));
}

QString worksFileName(const TeacherWorks& works)
{
    const ReportPeriod& period = works.period;
    const QString years = !period.firstDay.isValid() ? QString()
        : period.firstDay.year() == period.lastDay.year()
        ? QStringLiteral(" %1").arg(period.firstDay.year())
        : QStringLiteral(" %1-%2").arg(period.firstDay.year()).arg(period.lastDay.year());
    return safeFileName(QStringLiteral("Список трудов %1%2").arg(works.teacher.name, years));
}

} // namespace reports
