#pragma once

// Event fan-out, measured from the host: a host presence change reaching every DMessengerEvents sink that
// the Office-side bench processes connected (N sinks in each of P processes), through the module (the host's
// event, the module's listener, its worker, its firing loop) and through the bare provider (the contact made
// and a loop of Invoke on the host's thread). With `uc`, the change is the host contact's event reaching
// the UC contact sinks (OnContactInformationChanged): through the module's UC contact and its worker, and
// through the bare UC contact's loop of Invoke on the host's thread. Latency: from the host's fire to the last sink's receipt,
// one event at a time; throughput: a burst of distinct facts (a contact of its own per change; for the UC
// contact a distinct set of changed items per change), none of which the module may merge, until every
// receipt is in. A receipt missing or beyond one per sink and event fails the row.
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
