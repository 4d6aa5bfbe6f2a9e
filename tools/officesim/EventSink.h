#pragma once

// Office's end of an event connection, or the callback object of an asynchronous call: an IDispatch that
// answers IUnknown, IDispatch and the one event interface it was made for, and records every Invoke in the
// journal. Inside the call it reads only what a capture asks for (an event's data object); everything else
// is read after the call has returned.
//
// Thread-safe: COM calls it on the main thread (single-threaded apartment) or on any of its threads.

#include "officesim/EventJournal.h"

#include "common/DispatchSink.h"

#include "extensionsutils/ComPtr.h"

#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace officesim {

class EventSink final : public tools::DispatchSink {
public:
    // Runs inside Invoke, before the event is recorded: reads what must be read during the call.
    using Capture = std::function<void(RecordedEvent& event)>;

    static extensionsutils::ComPtr<EventSink> create(const IID& eventInterface, const std::wstring& interfaceName,
                                                     std::shared_ptr<EventJournal> journal,
                                                     Capture capture = Capture());

    // Advises this sink on the source's connection point for its interface, as Office does.
    HRESULT advise(IUnknown* source);
    // S_FALSE when not advised.
    HRESULT unadvise();
    // Unadvises inside the call of this event, after recording it, as an Office that closes on it does.
    void unadviseDuring(DISPID id) { unadviseDuring_.store(id); }
    // Never returns from an event once one came (after recording it), as a hung Office.
    void hangInEvents() { hangs_.store(true); }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    EventSink(const IID& eventInterface, const std::wstring& interfaceName, std::shared_ptr<EventJournal> journal,
              Capture capture);
    ~EventSink() = default;

    std::atomic<bool> hangs_{false};
    const std::wstring interfaceName_;
    const std::shared_ptr<EventJournal> journal_;
    const Capture capture_;
    std::atomic<DISPID> unadviseDuring_{DISPID_UNKNOWN};
    std::mutex mutex_;
    extensionsutils::ComPtr<IConnectionPoint> point_; // guarded by mutex_
    DWORD cookie_ = 0;                               // guarded by mutex_
};

} // namespace officesim
