// The run-control tests' host: the shared in-memory run context with the
// clock at the instant their expected headers and end lines show.
#pragma once

#include "support/context_host.h"
#include "support/text.h"

namespace testing_support {

using support::pad;

struct TestHost : support::ContextHost {
  TestHost() : support::ContextHost(platform::DateTime{2024, 3, 5, 14, 7, 9}) {}
};

} // namespace testing_support
