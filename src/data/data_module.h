#pragma once
// The data module: the one connection, every dataset and data source of the
// program, and the stamping rules that write the current teacher's key or the
// signed-in login into each record posted.
#include "data/session.h"
#include "db/connection.h"
#include "db/data_source.h"
#include "db/dataset.h"

#include <QObject>

class TDM_MB : public QObject {
    Q_OBJECT
public:
    explicit TDM_MB(QObject* parent = nullptr);
    ~TDM_MB() override;

    // The main window registers itself here once it exists; the rules read it
    // at the moment of each post.
    void setSession(SessionState* session) { m_session = session; }
    SessionState* session() const { return m_session; }

    // The teacher rule. showTeacher reopens the five teacher-bound datasets
    // on the teacher `key` with their statements, the scientific activity
    // editable, and enables their data sources; all or nothing: should a step
    // fail, every teacher-bound dataset is closed (no section goes on showing
    // the previous teacher's rows, which a post would file under the new
    // key) and the failure thrown. clearTeacher closes the scientific
    // activity, read-only, and disables the other four data sources: they
    // hold the previous teacher's rows, and show nothing and take no edits
    // until a teacher is chosen again.
    void showTeacher(const QVariant& key);
    void clearTeacher();
    // The teacher picker's list: the teachers of a year and a department.
    void listTeachers(const QVariant& yearKey, const QVariant& departmentKey);

    // The teacher-bound and dictionary datasets, for whoever walks them all.
    QList<db::Dataset*> teacherBoundDatasets() const;
    QList<db::Dataset*> datasets() const;

    db::Connection* ADOCon;

    db::Dataset* ADOQ_FIO;
    db::Dataset* ADOQ_ScientificActivity;
    db::Dataset* ADOT_uch_step;
    db::Dataset* ADOT_uch_zvanie;
    db::Dataset* ADOT_Spec_Code;
    db::Dataset* ADOQ_Level;
    db::Dataset* ADOQ_languages;
    db::Dataset* ADOQ_Lang_options;
    db::Dataset* ADOQ_anyQuery;
    db::Dataset* ADOQ_Kafedra;
    db::Dataset* ADOQ_Publication;
    db::Dataset* ADOQ_PublicationType;
    db::Dataset* ADOQ_teacher_skills;
    db::Dataset* ADOQ_organization;
    db::Dataset* ADOQ_organization_member;
    db::Dataset* ADOQ_year;

    db::DataSource* DS_FIO;
    db::DataSource* DS_ScientificActivity;
    db::DataSource* DS_uch_step;
    db::DataSource* DS_uch_zvanie;
    db::DataSource* DS_Spec_Code;
    db::DataSource* DS_languages;
    db::DataSource* DS_Lang_options;
    db::DataSource* DS_Kafedra;
    db::DataSource* DS_Publication;
    db::DataSource* DS_PublicationType;
    db::DataSource* DS_teacher_skills;
    db::DataSource* DS_organization_member;
    db::DataSource* DS_year;

    // The stamping rules, run just before the record is sent.
    void ADOQ_ScientificActivityBeforePost(db::Dataset& dataset);
    void ADOQ_Lang_optionsBeforePost(db::Dataset& dataset);
    void ADOQ_PublicationBeforePost(db::Dataset& dataset);
    void ADOQ_teacher_skillsBeforePost(db::Dataset& dataset);
    void ADOQ_organization_memberBeforePost(db::Dataset& dataset);
    void ADOQ_languagesBeforePost(db::Dataset& dataset);
    void ADOT_uch_zvanieBeforePost(db::Dataset& dataset);
    void ADOT_uch_stepBeforePost(db::Dataset& dataset);

private:
    db::Dataset* makeQuery(const QString& name, const QString& statement);
    db::Dataset* makeTable(const QString& name, const QString& table);
    db::DataSource* makeSource(const QString& name, db::Dataset* dataset);
    void defineFields();
    void attachRules();
    QVariant currentTeacherKey() const;
    QString signedInLogin() const;
    // The key a teacher-bound record is stamped with; refuses the post when no
    // teacher is chosen, so no row is written without its teacher or loses it.
    QVariant teacherKeyForPost() const;
    void stampTeacher(db::Dataset& dataset, const QString& field);
    void stampLogin(db::Dataset& dataset);
    void openTeacherSections(const QString& key);

    SessionState* m_session = nullptr;
};

// The single instance, created first at start-up and destroyed last.
extern TDM_MB* DM_MB;

// The refusal of a teacher-bound post while no teacher is chosen.
inline constexpr char kNoTeacherChosen[] =
    "Не выбран преподаватель: запись не может быть сохранена. Выберите преподавателя и повторите.";
