// os_test_hook.h -- what only tests ask of the operating-system layer: a full disk on demand
#pragma once
#include <cstdint>

namespace os {

// A test's full disk: after `bytes` more bytes every write fails as on a full disk; -1 ends it.
void fail_writes_after(int64_t bytes);

}  // namespace os
