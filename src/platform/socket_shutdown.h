#pragma once

namespace vdn {

// Shuts a connected socket down both ways, from any thread: a thread blocked
// reading it wakes up at once with the connection ended. The socket stays
// open for its owner to close.
void shutDownSocket(long long socket);

} // namespace vdn
