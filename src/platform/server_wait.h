#pragma once

namespace vdn {

// Shows (true) or hides (false) a small window "Connexion au serveur…" in
// the middle of the screen, painted at once: the caller is about to wait,
// without returning to the event loop, for a server to accept a connection.
// For setServerWaitNotice() of the data layer.
void showServerWait(bool waiting);

} // namespace vdn
