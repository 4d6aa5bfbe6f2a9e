#pragma once

// The bare UC contact's ear on the host contact: an _IContactEvents sink that calls its handler on every
// OnContactChanged, on the host's thread, until the contact detaches it. Advised by the contact on the host
// contact's connection point and unadvised by it.
//
// Threads: Invoke on the host's event thread; detach from any thread waits for a call in progress.

#include "common/DispatchSink.h"

#include <windows.h>

#include <functional>
#include <mutex>

namespace bench {

class HostContactSink final : public tools::DispatchSink {
public:
    explicit HostContactSink(std::function<void()> changed);

    // No call reaches the handler after this returns.
    void detach();

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ~HostContactSink() = default;

    std::mutex mutex_;
    std::function<void()> changed_; // empty once detached
};

} // namespace bench
