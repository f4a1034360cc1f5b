#include "data/session_loading.h"

#include "data/data_module.h"
#include "db/sql_text.h"

namespace {

void setSessionDateFormat(TDM_MB& dm)
{
    dm.ADOCon->execute(QStringLiteral("SET DATEFORMAT dmy"));
}

} // namespace

void loadSessionData(TDM_MB& dm)
{
    const QString login = db::sqlTextLiteral(dm.session() ? dm.session()->signedInLogin() : QString());

    dm.ADOQ_anyQuery->setSql(QStringLiteral("Select [id_QEL_user] from [QEL_User] WHERE [QEL_login]=") + login);
    dm.ADOQ_anyQuery->open();
    const QString userId = dm.ADOQ_anyQuery->isEmpty() ? QString()
                                                       : dm.ADOQ_anyQuery->columnText(QStringLiteral("id_QEL_user"));

    dm.ADOQ_Kafedra->setSql(QStringLiteral(
        "SELECT kafedra.id_kafedra, kafedra.f1 FROM User_Kafedra INNER JOIN      kafedra ON User_Kafedra.id_kafedra = "
        "kafedra.id_kafedra WHERE     (User_Kafedra.id_login =") + userId + QStringLiteral(")"));
    dm.ADOQ_Kafedra->open();

    dm.ADOQ_organization->setSql(QStringLiteral("SELECT * FROM Organization"));
    dm.ADOQ_organization->open();

    dm.ADOQ_year->open();
    dm.ADOT_uch_step->open();
    dm.ADOT_uch_step->setSort(QStringLiteral("k5"));
    dm.ADOT_uch_zvanie->open();
    dm.ADOT_uch_zvanie->setSort(QStringLiteral("k6"));
    dm.ADOT_Spec_Code->open();
    dm.ADOQ_ScientificActivity->open();
}

void startSession(TDM_MB& dm, const QString& userConnectionString, const QString& signedInLogin)
{
    dm.ADOCon->close();
    dm.ADOCon->setConnectionString(userConnectionString);
    dm.ADOCon->open();
    if (dm.session())
        dm.session()->setSignedInLogin(signedInLogin);
    loadSessionData(dm);
    setSessionDateFormat(dm);
}

void resumeSession(TDM_MB& dm)
{
    dm.ADOCon->reopen();
    setSessionDateFormat(dm);
    for (db::Dataset* dataset : dm.datasets())
        dataset->reopen();
}
