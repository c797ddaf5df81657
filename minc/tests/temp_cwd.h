// Test helper names used by the solver-side tests; the sandbox itself is the
// one of cwd_sandbox.h (a mkdtemp directory under /tmp, removed on exit).
#pragma once

#include "cwd_sandbox.h"

namespace minc_test {

using TempCwd = testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::read_text;
using testing_support::word_at;
using testing_support::write_floats;

}  // namespace minc_test
