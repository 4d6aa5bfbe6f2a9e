#pragma once

// The named kernel objects the bench host and its Office-side sink processes meet on (names in
// BenchNames.h): sinks connected, a receipt per event for the module's and for the bare provider's sinks,
// the storm's end marker reaching a module sink, and the end of a measurement. Created on construction, closed on destruction.

#include "measure/BenchNames.h"

#include <windows.h>

namespace bench {

struct SinkSignals {
    SinkSignals()
        : ready(CreateSemaphoreW(nullptr, 0, 0x7fffffff, SinksReadySemaphore)),
          moduleReceipts(CreateSemaphoreW(nullptr, 0, 0x7fffffff, ModuleReceiptsSemaphore)),
          bareReceipts(CreateSemaphoreW(nullptr, 0, 0x7fffffff, BareReceiptsSemaphore)),
          markers(CreateSemaphoreW(nullptr, 0, 0x7fffffff, StormMarkersSemaphore)),
          done(CreateEventW(nullptr, TRUE, FALSE, SinksDoneEvent))
    {
    }
    ~SinkSignals()
    {
        for (HANDLE handle : {ready, moduleReceipts, bareReceipts, markers, done})
            if (handle) CloseHandle(handle);
    }
    SinkSignals(const SinkSignals&) = delete;
    SinkSignals& operator=(const SinkSignals&) = delete;

    const HANDLE ready, moduleReceipts, bareReceipts, markers, done;
};

} // namespace bench
