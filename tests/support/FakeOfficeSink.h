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
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fakeoffice {

// The calling thread's COM apartment as a word: "MTA" only when the thread itself joined the
// multithreaded apartment, "implicit MTA" when it uses the process's MTA without having joined, "STA",
// or "none" when COM is not usable on it.
inline std::string currentApartment()
{
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (result == CO_E_NOTINITIALIZED) return "none";
    if (FAILED(result)) return "error";
    if (type == APTTYPE_MTA) return qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA ? "implicit MTA" : "MTA";
    if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) return "STA";
    return "other";
}

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
inline std::wstring describe(const OfficeEvent& event, const std::function<std::wstring(IDispatch*)>& nameOf = nullptr)
{
    std::wostringstream text;
    text << L"0x" << std::hex << event.id << std::dec << L"(";
    for (const extensionsutils::Variant& argument : event.arguments) {
        const VARIANT& value = *argument.get();
        if (&argument != &event.arguments.front()) text << L", ";
        if (value.vt == VT_I4) text << value.lVal;
        else if (value.vt == VT_BSTR) text << (value.bstrVal ? value.bstrVal : L"");
        else if (value.vt == VT_DISPATCH) text << (nameOf ? nameOf(value.pdispVal) : L"object");
        else text << L"vt " << value.vt;
    }
    return text.str() + L")";
}

class OfficeEventJournal {
public:
    void add(OfficeEvent event)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    // The module delivers events on its own threads after firing returns: what a test reads is what was
    // delivered once the deliveries in hand are done (or their sinks stalled).
    std::vector<OfficeEvent> events() const
    {
        extensionsutils::EventDelivery::waitUntilSettled(5000);
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::size_t count() const { return events().size(); }
    // What has arrived so far, without waiting for the delivery (for a test that holds some sinks hung).
    std::size_t arrived() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<OfficeEvent> events_;
};

class FakeOfficeSink final : public tools::DispatchSink {
public:
    // A new sink holding one reference (the returned pointer's).
    static extensionsutils::ComPtr<FakeOfficeSink> create(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal)
    {
        extensionsutils::ComPtr<FakeOfficeSink> sink;
        *sink.out() = new FakeOfficeSink(eventInterface, std::move(journal)); // takes the initial reference
        return sink;
    }

    // Advises this sink on the connection point of its event interface of `source`, through
    // IConnectionPointContainer, as Office does.
    HRESULT advise(IUnknown* source)
    {
        extensionsutils::ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        const HRESULT hr = adviseOn(source, point, cookie);
        if (SUCCEEDED(hr)) {
            guarded([&] {
                point_ = point;
                cookie_ = cookie;
            });
        }
        return hr;
    }
    // Unadvises from the point advised last; S_FALSE when not advised.
    HRESULT unadvise()
    {
        extensionsutils::ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        guarded([&] {
            point.swap(point_);
            std::swap(cookie, cookie_);
        });
        return point ? point->Unadvise(cookie) : S_FALSE;
    }

    // Runs inside every event, after it was recorded, on the firing thread.
    void setHook(std::function<void(const OfficeEvent&)> hook) { guarded([&] { hook_ = std::move(hook); }); }

    // Answers QueryInterface for the event interface but not for IDispatch, as a sink may.
    void refuseIDispatch() { refusesIDispatch_.store(true); }

    // What Invoke answers after recording an event (S_OK unless set).
    void setResult(HRESULT result) { result_.store(result); }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (result) VariantInit(result);
        OfficeEvent event{eventInterface(), id, flags, {}, GetCurrentThreadId(), currentApartment()};
        // DISPPARAMS holds the last argument first.
        for (UINT i = parameters ? parameters->cArgs : 0; i > 0; --i) event.arguments.emplace_back(parameters->rgvarg[i - 1]);
        const std::function<void(const OfficeEvent&)> hook = guarded([&] { return hook_; });
        if (journal_) journal_->add(event);
        if (hook) hook(event);
        return result_.load();
    }

private:
    FakeOfficeSink(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal)
        : DispatchSink(eventInterface), journal_(std::move(journal)) {}
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
