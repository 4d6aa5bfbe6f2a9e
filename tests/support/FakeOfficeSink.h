#pragma once

// Office's side of an event connection: an IDispatch sink that Office would advise on one of the module's
// connection points. It answers IUnknown, IDispatch and the event interface it was made for, and records
// every event (dispatch id, arguments, calling thread and its apartment) in a journal that several sinks
// may share, so that a test sees the order of events across connection points.
//
// Thread-safe: the module fires from any thread; the journal has its own mutex and no lock is held while
// a hook runs.

#include "common/DispatchSink.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace fakeoffice {

// The calling thread's COM apartment as a word: "MTA" only when the thread itself joined the
// multithreaded apartment, "implicit MTA" when it uses the process's MTA without having joined, "STA",
// or "none" when COM is not usable on it.
std::string currentApartment();

struct OfficeEvent {
    IID eventInterface = {};
    DISPID id = 0;
    WORD flags = 0;
    std::vector<extensionsutils::Variant> arguments; // first argument first
    DWORD threadId = 0;
    std::string apartment; // currentApartment() of the firing thread
};

// "0x407(0, 1)": the dispatch id in hex, then the arguments, numbers and strings as themselves and objects
// as `nameOf` calls them ("object" without it).
std::wstring describe(const OfficeEvent& event, const std::function<std::wstring(IDispatch*)>& nameOf = nullptr);

class OfficeEventJournal {
public:
    void add(OfficeEvent event);
    std::vector<OfficeEvent> events() const;
    std::size_t count() const { return events().size(); }

private:
    mutable std::mutex mutex_;
    std::vector<OfficeEvent> events_;
};

class FakeOfficeSink final : public tools::DispatchSink {
public:
    // A new sink holding one reference (the returned pointer's).
    static extensionsutils::ComPtr<FakeOfficeSink> create(const IID& eventInterface,
                                                         std::shared_ptr<OfficeEventJournal> journal);

    // Advises this sink on the connection point of its event interface of `source`, through
    // IConnectionPointContainer, as Office does.
    HRESULT advise(IUnknown* source);
    // Unadvises from the point advised last; S_FALSE when not advised.
    HRESULT unadvise();

    // Runs inside every event, after it was recorded, on the firing thread.
    void setHook(std::function<void(const OfficeEvent&)> hook);

    // Answers QueryInterface for the event interface but not for IDispatch, as a sink may.
    void refuseIDispatch() { refusesIDispatch_.store(true); }

    // What Invoke answers after recording an event (S_OK unless set).
    void setResult(HRESULT result) { result_.store(result); }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    FakeOfficeSink(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal);
    ~FakeOfficeSink() override = default;
    bool answersIDispatch() const override { return !refusesIDispatch_.load(); }
    template <class Work>
    auto guarded(Work work) -> decltype(work())
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return work();
    }

    std::shared_ptr<OfficeEventJournal> journal_;
    std::atomic<HRESULT> result_{S_OK};
    std::atomic<bool> refusesIDispatch_{false};
    std::mutex mutex_;
    // Guarded by mutex_:
    std::function<void(const OfficeEvent&)> hook_;
    extensionsutils::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

} // namespace fakeoffice
