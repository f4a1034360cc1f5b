#pragma once
// The main window: the year, department and teacher pickers across the top,
// the reference-books button, and below them the five profile sections of
// the chosen teacher. It holds the two values the data module's stamping
// rules read at every post: the teacher picker's key and the signed-in login.
#include "controls/db_grid.h"
#include "controls/db_lookup_combo_box.h"
#include "controls/db_memo.h"
#include "controls/db_navigator.h"
#include "controls/dialogs.h"
#include "data/session.h"

#include <QWidget>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QScrollArea;
class QMenu;
class QAction;
class QToolButton;
class TForm2;
struct Dictionary;
namespace ui {
class ReportsMenu;
class ServerFailures;
}

inline constexpr char kProgramTitle[] = "QEL 23 Научная деятельность сотрудника";

class TForm1 : public QWidget, public SessionState {
    Q_OBJECT
public:
    // Shows the sign-in modally; true when it closed with OK.
    using SignIn = std::function<bool()>;

    // Creating the main window runs `signIn` (the sign-in window lives in a
    // layer above the windows, so start-up hands it in); termination is
    // requested unless it succeeds.
    explicit TForm1(const SignIn& signIn, QWidget* parent = nullptr);
    ~TForm1() override;

    QVariant currentTeacherKey() const override;
    QString signedInLogin() const override { return m_signedInLogin; }
    void setSignedInLogin(const QString& login) override { m_signedInLogin = login; }

    // The window's own size; smaller, its content scrolls.
    static constexpr QSize kClientSize{1478, 808};
    QScrollArea* ContentArea;
    QWidget* Content; // holds the sections at their places

    // Selection strip and scientific activity.
    QWidget* Panel1;
    QLabel* Label8;
    controls::DBLookupComboBox* DBLookupComboBox2; // year
    QLabel* Label6;
    controls::DBLookupComboBox* DBLookupComboBox1; // department
    QLabel* Label1;
    controls::DBLookupComboBox* DBLookupComboboxEh1; // teacher
    QToolButton* SpeedButton1;                       // reference books
    QMenu* PopupMenu1;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* N4;
    QAction* N5;
    QToolButton* ReportsButton; // "Отчёты", beside the reference books
    ui::ReportsMenu* ReportsMenu;
    controls::DBGridEh* DBGridEh1;
    controls::DBNavigator* DBNavigator1;
    // Language skills.
    QGroupBox* GroupBox13;
    controls::DBGridEh* DBGridEh7;
    controls::DBNavigator* DBNavigator2;
    // Publications.
    QWidget* Panel2;
    QLabel* PublicationsLabel;
    controls::DBGridEh* DBGridEh2;
    controls::DBNavigator* DBNavigator3;
    // Memberships.
    QWidget* Panel3;
    QLabel* MembershipsLabel;
    controls::DBGridEh* DBGridEh3;
    controls::DBNavigator* DBNavigator4;
    // Skills.
    QWidget* Panel4;
    controls::DBMemo* DBMemo1;
    controls::DBMemo* DBMemo2;
    controls::DBMemo* DBMemo3;

    // The rules.
    void DBLookupComboBox2Click();  // year
    void DBLookupComboBox1Click();  // department
    void DBLookupComboboxEh1Change(); // teacher
    void DBLookupComboboxEh1KeyDown(QKeyEvent* event);
    void DBMemo1KeyUp();
    void SpeedButton1Click();
    // Where the reference-books menu opens, in screen coordinates.
    QPoint referenceMenuPosition() const;
    // Opens the reports' menu below its button.
    void ReportsButtonClick();

    // The reference-books items, in the order of dictionaries(): each shows
    // the dictionary editor modally and returns once it has been closed and
    // destroyed.
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N5Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const SignIn& signIn);
    void buildContentArea();
    void buildSelectionStrip();
    void buildReferenceMenu();
    void buildReportsMenu();
    void buildScientificActivity();
    void buildLanguageSkills();
    void buildPublications();
    void buildMemberships();
    void buildSkills();
    void attachTableMenus();
    void showTeacher(const QVariant& key);
    // Posts the teacher-bound datasets' pending records (an untouched new one
    // is dropped); a refusal is thrown.
    void postPendingRecords();
    // The teacher-bound datasets holding a changed record not yet posted.
    QList<db::Dataset*> pendingRecords() const;
    void clearTeacher();
    // After a reconnect: a year, department or teacher that is no longer in
    // its list (another user removed it while the link was down) is cleared,
    // with those below it, and the user told.
    void dropVanishedChoices();
    // Creates the dictionary editor as Form2, sets it up for the dictionary,
    // shows it modally, and destroys it.
    void openDictionary(const Dictionary& dictionary);

    QString m_signedInLogin;
    // What is offered when the server fails (reconnect, re-read), from the
    // sign-in on.
    std::unique_ptr<ui::ServerFailures> m_serverFailures;
    // A memo save was refused: key releases save nothing until a memo is left
    // or the skills record is posted, cancelled or read again.
    bool m_skillsSaveRefused = false;
    // Nothing refers to a profile row: here a foreign key refuses only a post
    // whose dictionary entry another user deleted meanwhile.
    std::unique_ptr<controls::ErrorWording> m_entryGone;
};

extern TForm1* Form1;
