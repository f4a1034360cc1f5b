#include "ui/main_window.h"

#include "controls/application.h"
#include "controls/dialogs.h"
#include "data/data_module.h"
#include "ui/ask_to_save_pending.h"
#include "ui/dictionary_editor.h"
#include "ui/reports_menu.h"
#include "ui/server_failures.h"
#include "ui/table_export_menu.h"
#include "ui/ui_style.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

TForm1* Form1 = nullptr;

TForm1::TForm1(const SignIn& signIn, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setFont(ui::windowFont());
    // The client area of an outer frame of 1494 x 847.
    resize(kClientSize);
    buildContentArea();
    m_entryGone = std::make_unique<controls::ErrorWording>(
        db::DatabaseError::Kind::ForeignKey,
        QStringLiteral("Запись не сохранена: выбранного значения больше нет в справочнике, его удалил другой "
                       "пользователь.\rВыберите другое значение; введённые данные остались в окне."));
    Form1 = this;
    if (DM_MB)
        DM_MB->setSession(this);
    buildSelectionStrip();
    buildReferenceMenu();
    buildReportsMenu();
    buildScientificActivity();
    buildLanguageSkills();
    buildPublications();
    buildMemberships();
    buildSkills();
    attachTableMenus();
    // The work starts with the year: the keys go there when the window opens.
    DBLookupComboBox2->setFocus();
    FormCreate(signIn);
}

TForm1::~TForm1()
{
    if (DM_MB && DM_MB->session() == this)
        DM_MB->setSession(nullptr);
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate(const SignIn& signIn)
{
    if (!signIn()) {
        controls::Application::instance()->terminate();
        return;
    }
    if (DM_MB)
        m_serverFailures = std::make_unique<ui::ServerFailures>(*DM_MB, [this] { dropVanishedChoices(); });
}

QVariant TForm1::currentTeacherKey() const
{
    return DBLookupComboboxEh1->keyValue();
}

// The sections keep their places at the window's own size; a smaller window
// (a smaller screen) scrolls them.
void TForm1::buildContentArea()
{
    ContentArea = new QScrollArea(this);
    ContentArea->setObjectName(QStringLiteral("ContentArea"));
    ContentArea->setFrameShape(QFrame::NoFrame);
    ContentArea->setWidgetResizable(true);
    // The area only scrolls; taking the focus itself, it would hold the
    // window's first Tab and arrow keys where the user sees no focus.
    ContentArea->setFocusPolicy(Qt::NoFocus);
    Content = new QWidget;
    Content->setMinimumSize(kClientSize);
    ContentArea->setWidget(Content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ContentArea);
}

// ---- the selection strip ----

void TForm1::buildSelectionStrip()
{
    Panel1 = new QWidget(Content);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 1475, 236);

    Label8 = ui::captionLabel(Panel1, QStringLiteral("Год:"), 34, 10);
    DBLookupComboBox2 = new controls::DBLookupComboBox(Panel1);
    DBLookupComboBox2->setObjectName(QStringLiteral("DBLookupComboBox2"));
    DBLookupComboBox2->setGeometry(65, 8, 184, 21);

    Label6 = ui::captionLabel(Panel1, QStringLiteral("Кафедра:"), 3, 36);
    DBLookupComboBox1 = new controls::DBLookupComboBox(Panel1);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setGeometry(65, 35, 927, 21);
    DBLookupComboBox1->setEnabled(false);

    Label1 = ui::captionLabel(Panel1, QStringLiteral("ФИО:"), 25, 66);
    DBLookupComboboxEh1 = new controls::DBLookupComboBox(Panel1);
    DBLookupComboboxEh1->setObjectName(QStringLiteral("DBLookupComboboxEh1"));
    DBLookupComboboxEh1->setGeometry(65, 63, 928, 21);
    DBLookupComboboxEh1->setEnabled(false);

    if (DM_MB) {
        DBLookupComboBox2->setListSource(DM_MB->DS_year);
        DBLookupComboBox2->setKeyField(QStringLiteral("id_a_year"));
        DBLookupComboBox2->setListField(QStringLiteral("p32"));
        DBLookupComboBox1->setListSource(DM_MB->DS_Kafedra);
        DBLookupComboBox1->setKeyField(QStringLiteral("id_kafedra"));
        DBLookupComboBox1->setListField(QStringLiteral("f1"));
        DBLookupComboboxEh1->setListSource(DM_MB->DS_FIO);
        DBLookupComboboxEh1->setKeyField(QStringLiteral("id_teacher"));
        DBLookupComboboxEh1->setListField(QStringLiteral("t_fio"));
    }
    // Another year, department or teacher closes the teacher-bound datasets:
    // their pending records are posted first, and a refusal keeps the choice
    // from being made.
    DBLookupComboBox2->setSelectionCheck([this](const QVariant&) { postPendingRecords(); });
    DBLookupComboBox1->setSelectionCheck([this](const QVariant&) { postPendingRecords(); });
    DBLookupComboboxEh1->setSelectionCheck([this](const QVariant& key) {
        if (key != DBLookupComboboxEh1->keyValue())
            postPendingRecords();
    });
    connect(DBLookupComboBox2, &controls::DBLookupComboBox::selected, this, &TForm1::DBLookupComboBox2Click);
    connect(DBLookupComboBox1, &controls::DBLookupComboBox::selected, this, &TForm1::DBLookupComboBox1Click);
    connect(DBLookupComboboxEh1, &controls::DBLookupComboBox::changed, this, &TForm1::DBLookupComboboxEh1Change);
    connect(DBLookupComboboxEh1, &controls::DBLookupComboBox::keyPressed, this, &TForm1::DBLookupComboboxEh1KeyDown);

    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("Справочники"));
    SpeedButton1->setFont(ui::boldFont());
    SpeedButton1->setGeometry(1299, 5, 145, 28);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
}

void TForm1::DBLookupComboBox2Click()
{
    if (DBLookupComboBox2->keyValue().isNull())
        return;
    DBLookupComboBox1->setEnabled(true);
    DBLookupComboboxEh1->setEnabled(false);
    DBLookupComboBox1->setKeyValue(QVariant());
    DBLookupComboboxEh1->setKeyValue(QVariant());
}

void TForm1::DBLookupComboBox1Click()
{
    if (DBLookupComboBox1->keyValue().isNull())
        return;
    DBLookupComboboxEh1->setEnabled(false);
    DBLookupComboboxEh1->setKeyValue(QVariant());
    DM_MB->listTeachers(DBLookupComboBox2->keyValue(), DBLookupComboBox1->keyValue());
    DBLookupComboboxEh1->setEnabled(true);
}

void TForm1::DBLookupComboboxEh1Change()
{
    const QVariant key = DBLookupComboboxEh1->keyValue();
    if (key.isNull())
        clearTeacher();
    else
        showTeacher(key);
}

// Without a teacher nothing is posted: a record kept after its teacher
// vanished (dropVanishedChoices) has nobody to be filed under, and goes when
// the sections are read for another teacher.
void TForm1::postPendingRecords()
{
    if (currentTeacherKey().isNull())
        return;
    for (db::Dataset* dataset : DM_MB->teacherBoundDatasets())
        if (dataset->isOpen())
            dataset->checkBrowseMode();
}

QList<db::Dataset*> TForm1::pendingRecords() const
{
    QList<db::Dataset*> pending;
    if (DM_MB && !currentTeacherKey().isNull())
        for (db::Dataset* dataset : DM_MB->teacherBoundDatasets())
            if (dataset->isEditing() && dataset->isModified())
                pending << dataset;
    return pending;
}

// A teacher change the data module could not make leaves every
// teacher-bound dataset closed; the picker is emptied to match.
void TForm1::showTeacher(const QVariant& key)
{
    try {
        DM_MB->showTeacher(key);
        DBGridEh7->setDataSource(DM_MB->DS_Lang_options);
    } catch (const std::exception& error) {
        DBLookupComboboxEh1->setKeyValue(QVariant());
        controls::showFailure(error);
    }
}

// Without a teacher the language grid lets go of its data source too.
void TForm1::clearTeacher()
{
    DM_MB->clearTeacher();
    DBGridEh7->setDataSource(nullptr);
}

void TForm1::dropVanishedChoices()
{
    const struct {
        controls::DBLookupComboBox* picker;
        const char* what;
    } choices[] = {{DBLookupComboBox2, "Выбранного учебного года"},
                   {DBLookupComboBox1, "Выбранной кафедры"},
                   {DBLookupComboboxEh1, "Выбранного преподавателя"}};
    for (const auto& choice : choices) {
        const QVariant key = choice.picker->keyValue();
        db::Dataset* list = choice.picker->listSource() ? choice.picker->listSource()->dataset() : nullptr;
        if (key.isNull() || !list || (list->isOpen() && list->locate(choice.picker->keyField(), key) >= 0))
            continue;
        const bool pending = !pendingRecords().isEmpty();
        // Below the vanished choice, everything goes as a new choice there would clear it.
        if (choice.picker != DBLookupComboboxEh1) {
            DBLookupComboboxEh1->setEnabled(false);
            DBLookupComboboxEh1->setKeyValue(QVariant());
        }
        if (choice.picker == DBLookupComboBox2) {
            DBLookupComboBox1->setEnabled(false);
            DBLookupComboBox1->setKeyValue(QVariant());
        }
        choice.picker->setKeyValue(QVariant());
        QString text = QString::fromUtf8(choice.what)
            + QStringLiteral(" больше нет в списке: другой пользователь удалил или изменил его, пока не было связи "
                             "с сервером. Выбор очищен.");
        if (pending)
            text += QStringLiteral("\rВведённые данные не сохранены: их некуда записать. Они не будут записаны и под "
                                   "другим преподавателем.");
        controls::showInformation(QApplication::applicationName(), text);
        return;
    }
}

void TForm1::DBLookupComboboxEh1KeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || DBLookupComboboxEh1->keyValue().isNull())
        return;
    postPendingRecords();
    DBLookupComboboxEh1->setKeyValue(QVariant());
}

// Closing with unsaved records asks first: Yes posts them (a refusal keeps
// the window open), No drops them, Cancel keeps the window open.
void TForm1::closeEvent(QCloseEvent* event)
{
    bool close = false;
    controls::guarded([&] {
        for (controls::DBGridEh* grid : {DBGridEh1, DBGridEh7, DBGridEh2, DBGridEh3})
            grid->commitEditor();
        close = ui::askToSavePending(pendingRecords(), true);
    });
    if (close)
        QWidget::closeEvent(event);
    else
        event->ignore();
}

// "Копировать" and "Экспорт в CSV…" in each section's grid; the file
// offered names the section and the teacher shown.
void TForm1::attachTableMenus()
{
    const auto named = [this](const QString& section) {
        return [this, section] { return ui::sectionFileName(section, DBLookupComboboxEh1->text(), QStringLiteral(".csv")); };
    };
    new ui::TableExportMenu(DBGridEh1, named(QStringLiteral("Научная деятельность")));
    new ui::TableExportMenu(DBGridEh7, named(QStringLiteral("Знание языков")));
    new ui::TableExportMenu(DBGridEh2, named(QStringLiteral("Публикации")));
    new ui::TableExportMenu(DBGridEh3, named(QStringLiteral("Членство в организациях")));
}

// ---- reference books ----

void TForm1::buildReferenceMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // A failure (reopening the language list) is shown from the item's own
    // handler, not unwound through the menu.
    for (const Dictionary& dictionary : dictionaries())
        PopupMenu1->addAction(QString::fromUtf8(dictionary.title), this,
                              [this, &dictionary] { controls::guarded([&] { openDictionary(dictionary); }); });
    const QList<QAction*> items = PopupMenu1->actions();
    N1 = items.at(0);
    N2 = items.at(1);
    N3 = items.at(2);
    N4 = items.at(3);
    N5 = items.at(4);
}

// The button's place in the window's client area is its place in its panel
// until the content is scrolled; then the menu follows the button.
QPoint TForm1::referenceMenuPosition() const
{
    const QRect frame = frameGeometry();
    const QPoint button = SpeedButton1->mapTo(this, QPoint(0, 0));
    return {frame.left() + button.x() - 5, frame.top() + button.y() + 70};
}

void TForm1::SpeedButton1Click()
{
    PopupMenu1->popup(referenceMenuPosition());
}

// ---- reports ----

// A document shows what is stored: records typed but not yet posted are
// posted first, as before another teacher is chosen.
void TForm1::buildReportsMenu()
{
    ReportsButton = new QToolButton(Panel1);
    ReportsButton->setObjectName(QStringLiteral("ReportsButton"));
    ReportsButton->setText(QStringLiteral("Отчёты"));
    ReportsButton->setFont(ui::boldFont());
    ReportsButton->setGeometry(1148, 5, 145, 28);
    ReportsMenu = new ui::ReportsMenu({DBLookupComboBox2, DBLookupComboBox1, DBLookupComboboxEh1},
                                      [this] { postPendingRecords(); }, this);
    connect(ReportsButton, &QToolButton::clicked, this, &TForm1::ReportsButtonClick);
    // Tab goes as the eye does: the pickers, "Отчёты", then "Справочники".
    setTabOrder(DBLookupComboboxEh1, ReportsButton);
}

void TForm1::ReportsButtonClick()
{
    ReportsMenu->popup(ReportsButton->mapToGlobal(QPoint(0, ReportsButton->height())));
}

// Owned here until it has been shown: should reopening the language list
// fail, the editor goes at once instead of lingering unseen.
void TForm1::openDictionary(const Dictionary& dictionary)
{
    const controls::FocusReturn focusReturn;
    auto editor = std::make_unique<TForm2>();
    Form2 = editor.get();
    const auto clear = qScopeGuard([] { Form2 = nullptr; });
    configureFor(*editor, dictionary, *DM_MB);
    editor->exec();
}

void TForm1::N1Click()
{
    openDictionary(dictionaries().at(0));
}

void TForm1::N2Click()
{
    openDictionary(dictionaries().at(1));
}

void TForm1::N3Click()
{
    openDictionary(dictionaries().at(2));
}

void TForm1::N4Click()
{
    openDictionary(dictionaries().at(3));
}

void TForm1::N5Click()
{
    openDictionary(dictionaries().at(4));
}
