#pragma once

// What one operation costs the host: the host calls it makes, counted by the fake host over a batch and
// printed per operation as "IsSignedIn 3, CreateLogger 2, ..." (calls that did not occur are left out).

#include "support/FakeHost.h"

#include <functional>
#include <string>

namespace bench {

// Runs `operation` `times` times between two readings of the fake host's call counts.
std::string hostCallsPerOperation(fakehost::FakeHost& host, int times, const std::function<void()>& operation);

} // namespace bench
