#pragma once
// The data module: the one connection and every dataset of the program.
#include "data/session.h"
#include "db/connection.h"

#include <QObject>

class TDM_MB : public QObject {
    Q_OBJECT
public:
    explicit TDM_MB(QObject* parent = nullptr);
    ~TDM_MB() override;

    // The main window registers itself here once it exists.
    void setSession(SessionState* session) { m_session = session; }
    SessionState* session() const { return m_session; }

    db::Connection* ADOCon;

private:
    SessionState* m_session = nullptr;
};

// The single instance, created first at start-up and destroyed last.
extern TDM_MB* DM_MB;
