#pragma once

namespace vdn {
class Connection;
}

namespace vdn::test {

// The engine's own check of the database: SQLite's integrity_check says
// "ok"; a server, which checks its pages itself, answers a read of every
// table.
bool databaseSound(Connection& c);

} // namespace vdn::test
