#pragma once
// Failures on purpose, so that every error path above the backends can be
// tested: the test main wraps every backend a connection opens in one that
// checks these first. Each failure happens once, on whichever connection
// comes first.
#include <QString>

#include <functional>

namespace db::embedded_faults {

void failNextStatement(const QString& message);
// The next statement whose text contains `fragment` (case-insensitive).
void failStatementContaining(const QString& fragment, const QString& message);
void failNextWrite(const QString& message);
// The next rollback does its work, then fails: the session's state unknown.
void failNextRollback(const QString& message);
// The next write or insert runs, but reports this many rows changed.
void reportRowCountOfNextWrite(int rows);
// The next open of a connection.
void failNextOpen(const QString& message);
// The link of every open connection breaks: the backend's own connection to
// the database is let go of underneath it (its transaction undone, as the
// server does with a broken link), so each later statement fails as the
// backend reports a lost connection, until the connection is opened again.
void loseConnections();
// The same, right after the next write or insert has run (before its
// transaction is committed).
void loseConnectionsAfterNextWrite();
// Runs `work` right after the next write or insert has run (before its
// transaction is committed): another session's doing at that moment.
void runAfterNextWrite(std::function<void()> work);
void clear();

// Makes every connection opened from now on subject to the failures above.
void install();
// Runs `open`, whose connections no failure above reaches: a test's own view
// of a server, beside the connections under test.
void exempt(const std::function<void()>& open);

} // namespace db::embedded_faults
