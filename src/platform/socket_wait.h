#pragma once
// Waiting, with a time limit, for a network connection (a database's) to have an answer.

namespace kx::platform {

enum class SocketWait { Readable, TimedOut, Interrupted, Failed };

// `socket`: the system's descriptor or SOCKET value. Interrupted: a signal cut the wait
// short; the caller decides how long is left and waits again.
SocketWait WaitReadable(long long socket, int timeoutMs);

}  // namespace kx::platform
