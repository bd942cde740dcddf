#pragma once

#include <QString>

#include <optional>

class QSqlDriver;
typedef struct pg_conn PGconn;

namespace vdn {

// A time limit on every wait for a server's answer. Qt's driver waits in the
// client library with no limit: a server that stops answering (hung,
// overloaded, a network that swallows the packets) would freeze the window
// for ever. A thread of its own looks at the watched sessions; a session
// that has waited for a result longer than the limit, while the program's
// event loop stood still as long, is asked to cancel its statement, and a
// moment later, when the cancel got no answer either, its socket is shut
// down: the wait ends with a failure, the session counts as lost and the
// next action opens a new one. The failure then says which server did not
// answer, and for how long (takeUnansweredServer()).

// Seconds an interactive statement may wait for the server.
constexpr int ServerAnswerLimitS = 10;
// During a long task (widgets/long_task.h), which shows its own progress.
constexpr int LongTaskAnswerLimitS = 120;

// Starts the watch for the program's windows: a heartbeat on the calling
// (GUI) thread's event loop and the watching thread, stopped when the
// application ends. `limitMs` replaces the interactive limit (tests); 0 keeps
// ServerAnswerLimitS, or the whole number of milliseconds in the environment
// variable VORDAN_SERVER_ANSWER_MS. Without it (command line), nothing is
// watched.
void startServerWatch(int limitMs = 0);
// The interactive limit in force, in milliseconds.
int serverAnswerLimitMs();

// Watches a session just opened (or opened again). The session leaves the
// watch by itself when the client library closes it.
void watchServerSession(PGconn* conn, const QSqlDriver* driver);

// When the last statement of the session behind `driver` was cut by the
// watch: the French text of that failure, naming the server. Told once.
std::optional<QString> takeUnansweredServer(const QSqlDriver* driver);

} // namespace vdn
