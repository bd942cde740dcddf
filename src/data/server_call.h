#pragma once

#include <functional>

class QSqlDriver;

namespace vdn {

// A statement on a server waits for its answer inside the client library,
// without coming back to the program's event loop: nothing can be shown
// meanwhile. So that a long wait is told to the user, a call that waits for
// a server is made on a thread of its own while the calling (GUI) thread
// waits for it, telling the notice once the wait passes its delay and again
// when the call has returned. The window stays as it was, typed values
// included; the statement's time limit is the server watch's
// (data/server_watch.h).

// Shows (true) or hides (false) what tells the user that the program waits
// for the server. Called on the GUI thread in the middle of a statement: it
// must paint what it shows at once and never run the event loop.
using StatementWaitNotice = void (*)(bool waiting);

// Milliseconds a statement waits before the notice is shown.
constexpr int StatementNoticeDelayMs = 3000;

// Installs the notice (null: every call is made where it is asked for, as on
// SQLite: the command line, most tests) and its delay.
void setStatementWaitNotice(StatementWaitNotice notice, int delayMs = StatementNoticeDelayMs);

// Makes a call of Qt's driver on the connection behind `driver` (prepare,
// exec, a transaction's begin or end), with the notice shown past its
// delay when the connection is a server's and the caller is the GUI thread.
// Returns what the call returned.
bool awaitServer(const QSqlDriver* driver, const std::function<bool()>& call);
// The same for reading a query's next row: made in place when the row is
// already there (Dialect::readingWaits()).
bool awaitServerRow(const QSqlDriver* driver, const std::function<bool()>& call);

} // namespace vdn
