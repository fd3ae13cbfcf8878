// A TCP port on 127.0.0.1 for a server a test starts: bound by the system, then let go, so it
// was free a moment ago (the test's server takes it soon after).
#pragma once

namespace zentrik::testing {

// The port, or 0 when no socket could be bound.
int free_local_port();

}  // namespace zentrik::testing
