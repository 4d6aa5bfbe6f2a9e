#pragma once

// The presence storm, measured from the host: the host fires presence changes over 50 contacts faster than
// Office takes them, to the DMessengerEvents sinks the Office-side bench processes connected (the same
// named objects as the fan-out). Through the module the host's event thread hands each change to the
// module's listener, which queues it for the worker, whose delivery queues keep each contact's latest
// undelivered state per sink; the bare provider delivers every change on the firing thread, so it cannot
// fall behind and its storm lasts as long as Office takes to receive it.
//
// Figures per side: time from the first change until every sink holds each contact's last state (the
// module: its end marker arrived; the bare loop: every change arrived) as the ratio row, the receipts of
// the changes fired, the peak of changes fired but not yet taken (the host's own event queue), the host's
// peak heap growth, and the delay of that moment after the storm's last change.
//
// Threads: the serving thread of benchhost.

#include "host/ModuleHost.h"
#include "measure/RatioRow.h"

#include "host/SinkSignals.h"

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

class PresenceStorm {
public:
    // Waits (at most 60 s) until `processes` Office-side processes have connected their sinks, storms,
    // and lets them go. Table lines, the first of them the ratio row (failed when a side lost its way).
    std::vector<std::string> measure(ModuleHost& host, int processes, bool quick, bool& failed);

private:
    SinkSignals signals_;
};

} // namespace bench
