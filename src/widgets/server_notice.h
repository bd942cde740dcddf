#pragma once

namespace vdn {

// Shows (true) or hides (false) the notice "Connexion au serveur…" at the
// foot of the active window, over what it shows and without taking the
// focus or a click: the program waits for a server to answer a statement.
// Painted at once, without the event loop (the program is inside the
// statement); hidden, it goes at the window's next paint. For
// setStatementWaitNotice() of the data layer.
void showStatementWait(bool waiting);

} // namespace vdn
