#pragma once

// Event fan-out, measured from the host: a host presence change reaching every DMessengerEvents sink that
// the Office-side bench processes connected (N sinks in each of P processes), through the module (the host's
// event, the module's listener, its worker, its delivery) and through the bare provider at the physical
// limit: the contact made on the host's thread, then each Office process's sinks called in turn by a thread
// of that process's own, all processes at once (BareLanes.h). Each Office takes its sinks' calls one at a
// time, so no provider can do better. With `uc`, the change is the host contact's event reaching the UC
// contact sinks (OnContactInformationChanged): through the module's UC contact and its worker, and through
// the bare UC contact handing the calls to the same lanes. Latency: from the host's fire to the last
// sink's receipt, one event at a time; throughput: a burst of distinct facts (a contact of its own per
// change; for the UC contact a distinct set of changed items per change), none of which the module may
// merge, until every receipt is in. A receipt missing or beyond one per sink and event fails the row.
// Target: 4 sinks in each of 4 processes (16 sinks in 4 Offices), the module at most 1.2 times the bare
// lanes' time (a throughput of at least 1 / 1.2 of theirs).
//
// Threads: the serving thread of benchhost; the named objects are made once, at construction.

#include "host/ModuleHost.h"
#include "measure/RatioRow.h"

#include "host/SinkSignals.h"

#include <windows.h>

#include <vector>

namespace bench {

class FanOut {
public:
    // Waits (at most 60 s) until `processes` Office-side processes have connected `sinks` sinks each, then
    // measures and lets them go. The rows, or one failed row.
    std::vector<RatioRow> measure(ModuleHost& host, int sinks, int processes, bool uc, bool quick);

private:
    SinkSignals signals_;
};

} // namespace bench
