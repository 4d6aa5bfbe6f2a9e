#pragma once

// officesoak's load mode: Office's threads (even ones single-threaded apartments, odd ones the MTA) connect,
// advise and make their calls; the host is told "soakoffice: ready" once all are advised and "soakoffice:
// calls done" once all calls are made. On "finish" from the host (or the end of standard input) each thread
// drains its events and checks the known answers if asked; then the figures are printed:
//   soakoffice: figure <name> <value>
//   soakoffice: events messenger|uc <contact> <fewest> <most> <sinks> <order faults> <last status>
//               (per watched contact, fewest and most events over the sinks that watched it; the last
//               status every sink received, 0 when none, -1 when the sinks disagree)
//   soakoffice: arrivals messenger|uc <contact> <tick> ... (with --arrivals: per thread and watched
//               contact, GetTickCount64() of each change as it arrived)
//   soakoffice: problem <what>
// Returns the exit code: 0, or 2 when a thread could not connect and advise.

#include "soak/OfficeOptions.h"

#include "common/ConsoleOutput.h"

#include <windows.h>

namespace soak {

int runOfficeLoad(const OfficeOptions& options, tools::ConsoleOutput& output);

// Waits (pumping) until the host writes "finish" or closes standard input; the event is set then.
HANDLE startFinishListener();

} // namespace soak
