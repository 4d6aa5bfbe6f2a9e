#pragma once

// An Office-side event sink that only counts: each call of the counted event (by default DMessengerEvents'
// OnContactStatusChange) releases the given receipts semaphore of the host once (see BenchNames.h); with a
// markers semaphore, an OnContactStatusChange to offline (the storm's end marker) releases that instead.
// Asked for SinkProcessDispid, it answers its process id (for the bare provider's lanes).
// Any thread.

#include "common/DispatchSink.h"

#include <windows.h>

namespace bench {

class CountingSink final : public tools::DispatchSink {
public:
    CountingSink(HANDLE receipts, HANDLE markers);
    CountingSink(HANDLE receipts, const IID& events, DISPID counted)
        : DispatchSink(events), receipts_(receipts), markers_(nullptr), counted_(counted)
    {
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ~CountingSink() = default;

    HANDLE receipts_;
    HANDLE markers_;
    DISPID counted_;
};

} // namespace bench
