#pragma once
#include <QString>

class TDM_MB;

// Loads what the main window needs after a successful sign-in, in this order:
// the signed-in user's id, departments, the organisations, the years, the
// degrees and titles sorted by name, the speciality codes, and the empty
// read-only scientific activity (which loads the first teacher list). Nothing
// is caught: the first failure passes to the caller, with the datasets of the
// earlier steps left open.
void loadSessionData(TDM_MB& dataModule);

// The signed-in session on the data module's one connection, begun the same
// way after the sign-in window, in the tools and in the reconnection:
// - startSession: the connection opened with the user's own database login
//   (`userConnectionString`), the signed-in login handed to the data
//   module's session, the session data loaded, and dates in statements read
//   as day, month, year ("SET DATEFORMAT dmy");
// - resumeSession: after a broken link, the same connection string on a new
//   server session, the date format set again (a setting of the server's
//   session), and every dataset that was open read again with its own
//   statement, its pending record kept.
// Nothing is caught: the first failure passes to the caller.
void startSession(TDM_MB& dataModule, const QString& userConnectionString, const QString& signedInLogin);
void resumeSession(TDM_MB& dataModule);
