#pragma once

// officesoak's cycles mode: Office stays up while the host stops and starts the provider again and again.
// It connects whenever the provider runs (UpAndRunning 2) and it holds no live connection, checks the known
// answers of each new connection, and keeps calling every connection it still holds (the current one and
// the last few stopped ones) every 50 ms, right across the stops. A stopped connection's calls must fail or
// report offline / signed out once the stop has had 5 s to take effect, and no call may take longer than
// 5 s. Prints "soakoffice: connected N" for each new connection and, after "finish", its figures.

#include "soak/OfficeOptions.h"

#include "common/ConsoleOutput.h"

namespace soak {

int runOfficeCycles(const OfficeOptions& options, tools::ConsoleOutput& output);

} // namespace soak
