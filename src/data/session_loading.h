#pragma once
class TDM_MB;

// Loads what the main window needs after a successful sign-in, in this order:
// the signed-in user's id, departments, the organisations, the years, the
// degrees and titles sorted by name, the speciality codes, and the empty
// read-only scientific activity (which loads the first teacher list). Nothing
// is caught: the first failure passes to the caller, with the datasets of the
// earlier steps left open.
void loadSessionData(TDM_MB& dataModule);

// Dates in statements read as day, month, year: "SET DATEFORMAT dmy", a
// setting of the server's session, so made after each sign-in and each
// reconnection.
void setSessionDateFormat(TDM_MB& dm);
