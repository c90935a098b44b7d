#pragma once
// Ports on 127.0.0.1 for the tests' own servers.

namespace novra::test {

// A TCP port on 127.0.0.1 that was free a moment ago.
int freePort();
// True when something accepts a TCP connection on 127.0.0.1:port.
bool acceptsConnections(int port);

} // namespace novra::test
