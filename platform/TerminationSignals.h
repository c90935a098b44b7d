#pragma once
// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP) as readable bytes on a
// descriptor, so that an event loop handles them as ordinary events instead of dying at once.

namespace novra::platform {

// Installs the handlers (once) and returns the read end of their pipe: one byte becomes readable
// per signal received. The descriptor is non-blocking and not inherited by children.
// Throws std::system_error when the pipe cannot be made.
int watchTerminationSignals();

// Reads what is pending on the descriptor; returns how many signals arrived since the last call.
int takeTerminationSignals(int fd);

} // namespace novra::platform
