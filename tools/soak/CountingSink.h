#pragma once

// An Office event sink for a long run: it keeps no event, only counts into an EventTally, so that a day's
// worth of events costs no memory and holds no object of the provider's. A Messenger status change is
// attributed to the contact by asking the event's contact for its sign-in name during the call, as Office's
// handler does; a sink advised on one UC contact knows its contact. A blocking sink never returns from an
// event: Office's handler hung.
//
// Thread-safe: COM calls it on its owner's thread (single-threaded apartment) or any of its threads.

#include "soak/EventTally.h"

#include "common/DispatchSink.h"

#include "extensionsutils/ComPtr.h"

#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <memory>
#include <string>

namespace soak {

class CountingSink final : public tools::DispatchSink {
public:
    enum class Kind { MessengerEvents, ContactEvents, Blocking };

    // `contact`: the UC contact the sink is advised on (ContactEvents only).
    static extensionsutils::ComPtr<CountingSink> create(Kind kind, const IID& eventInterface,
                                                        std::shared_ptr<EventTally> tally,
                                                        const std::wstring& contact = std::wstring());

    // Advises on the source's connection point for the sink's interface; S_OK or the failure.
    HRESULT advise(IUnknown* source);
    void unadvise();

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    CountingSink(Kind kind, const IID& eventInterface, std::shared_ptr<EventTally> tally, const std::wstring& contact);
    ~CountingSink() = default;
    void countStatusChange(const DISPPARAMS& parameters);

    const Kind kind_;
    const std::shared_ptr<EventTally> tally_;
    const std::wstring contact_;
    extensionsutils::ComPtr<IConnectionPoint> point_; // owner's thread only
    DWORD cookie_ = 0;
};

} // namespace soak
