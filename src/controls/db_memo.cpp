#include "controls/db_memo.h"

#include "controls/dialogs.h"
#include "db/dataset.h"
#include "db/field.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTextBlock>

#include <exception>

namespace controls {
namespace {

// Keys that change the text (and so need the record in edit state first).
bool changesText(const QKeyEvent* event)
{
    static const QKeySequence::StandardKey editing[] = {
        QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo,
        QKeySequence::Delete, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine, QKeySequence::Backspace,
        QKeySequence::InsertParagraphSeparator, QKeySequence::InsertLineSeparator};
    for (const auto key : editing)
        if (event->matches(key))
            return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    return !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\t'));
}

} // namespace

DBMemo::DBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    auto reload = [this] {
        if (!m_writing)
            loadFromField();
        updateAccess();
    };
    connect(&m_link, &db::DataLink::activeChanged, this, reload);
    connect(&m_link, &db::DataLink::stateChanged, this, reload);
    connect(&m_link, &db::DataLink::currentChanged, this, reload);
    connect(&m_link, &db::DataLink::reset, this, reload);
    connect(&m_link, &db::DataLink::rowChanged, this, [this, reload](int row) {
        if (const db::Dataset* data = m_link.dataset(); data && row == data->currentRow())
            reload();
    });
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::writeToField);
    updateAccess();
}

void DBMemo::setDataSource(db::DataSource* source)
{
    m_link.setDataSource(source);
    loadFromField();
    updateAccess();
}

void DBMemo::setDataField(const QString& name)
{
    m_fieldName = name;
    loadFromField();
    updateAccess();
}

db::Field* DBMemo::field() const
{
    const db::Dataset* data = m_link.dataset();
    return data && !m_fieldName.isEmpty() ? data->findField(m_fieldName) : nullptr;
}

bool DBMemo::canEdit() const
{
    const db::Field* f = field();
    return f && f->dataset().canModify() && !f->isReadOnly();
}

void DBMemo::updateAccess()
{
    // Setting it tells the widget of a change even when there is none.
    if (const bool readOnly = !canEdit(); readOnly != isReadOnly())
        setReadOnly(readOnly);
}

// Shows the field's text; the cursor keeps its place as far as the text allows.
void DBMemo::loadFromField()
{
    const db::Field* f = field();
    const QString text = f ? f->asString() : QString();
    if (text == toPlainText())
        return;
    QScopedValueRollback guard(m_loading, true);
    const int position = textCursor().position();
    replaceText(text);
    // Placing the cursor scrolls to it, which lays the text out at once: only
    // the user's own typing needs it kept.
    if (!hasFocus())
        return;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, int(text.size())));
    setTextCursor(cursor);
}

// The whole text replaced as one edit, as typing over a selection replaces
// it, and not through setPlainText: that builds the paragraph anew, and the
// text document then lays a one-paragraph text out twice, at once. No undo
// step.
void DBMemo::replaceText(const QString& text)
{
    QTextDocument* const doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor all(doc);
    // Inside the edit block the cursor computes no line positions, and so
    // lays nothing out: the new text is laid out once, when it is needed.
    all.beginEditBlock();
    all.setPosition(doc->characterCount() - 1, QTextCursor::KeepAnchor);
    all.insertText(text);
    all.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

void DBMemo::prepareEdit()
{
    db::Field* f = field();
    if (!f || f->dataset().isEditing())
        return;
    QScopedValueRollback guard(m_writing, true);
    f->dataset().edit();
}

void DBMemo::writeToField()
{
    if (m_loading)
        return;
    db::Field* f = field();
    if (!f)
        return;
    QString text = toPlainText();
    if (const QString cut = db::cutToSize(text, f->size()); cut.size() != text.size()) {
        // Longer than the field holds: the surplus is not taken.
        const int position = std::min(textCursor().position(), int(cut.size()));
        text = cut;
        QScopedValueRollback guard(m_loading, true);
        document()->setPlainText(text);
        QTextCursor cursor = textCursor();
        cursor.setPosition(position);
        setTextCursor(cursor);
    }
    if (text == f->asString())
        return;
    QScopedValueRollback guard(m_writing, true);
    try {
        if (!f->dataset().isEditing())
            f->dataset().edit();
        f->setAsString(text);
    } catch (const std::exception& error) {
        // Raised inside the text document's change: it is shown here, and
        // the memo goes back to what the field holds.
        m_writing = false;
        loadFromField();
        showFailure(error);
    }
}

void DBMemo::keyPressEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        m_pressedKeys.insert(event->key());
    // The record goes into edit state before the key changes the text; a
    // refusal is shown and the key does nothing.
    if (changesText(event) && canEdit() && !guarded([this] { prepareEdit(); }))
        return;
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::insertFromMimeData(const QMimeData* source)
{
    if (!canEdit() || !guarded([this] { prepareEdit(); }))
        return;
    QPlainTextEdit::insertFromMimeData(source);
}

void DBMemo::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat() && m_pressedKeys.remove(event->key()))
        guarded([&] { emit keyReleased(event); });
}

void DBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    // A message box or a menu over the window takes the focus only for a while.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit exited();
}

void DBMemo::focusInEvent(QFocusEvent* event)
{
    // Keys held while the focus came here were pressed elsewhere.
    m_pressedKeys.clear();
    QPlainTextEdit::focusInEvent(event);
}

} // namespace controls
