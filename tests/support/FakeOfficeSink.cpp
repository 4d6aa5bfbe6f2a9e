#include "support/FakeOfficeSink.h"

#include "extensionsutils/EventDelivery.h"

#include <objbase.h>

#include <sstream>
#include <utility>

namespace fakeoffice {

using extensionsutils::ComPtr;

std::string currentApartment()
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

std::wstring describe(const OfficeEvent& event, const std::function<std::wstring(IDispatch*)>& nameOf)
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

void OfficeEventJournal::add(OfficeEvent event)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
}

// The module delivers events on its own threads after firing returns: what a test reads is what was
// delivered once the deliveries in hand are done (or their sinks stalled).
std::vector<OfficeEvent> OfficeEventJournal::events() const
{
    extensionsutils::EventDelivery::waitUntilSettled(5000);
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

FakeOfficeSink::FakeOfficeSink(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal)
    : DispatchSink(eventInterface), journal_(std::move(journal)) {}

ComPtr<FakeOfficeSink> FakeOfficeSink::create(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal)
{
    ComPtr<FakeOfficeSink> sink;
    *sink.out() = new FakeOfficeSink(eventInterface, std::move(journal)); // takes the initial reference
    return sink;
}

HRESULT FakeOfficeSink::advise(IUnknown* source)
{
    ComPtr<IConnectionPoint> point;
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

HRESULT FakeOfficeSink::unadvise()
{
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    guarded([&] {
        point.swap(point_);
        std::swap(cookie, cookie_);
    });
    return point ? point->Unadvise(cookie) : S_FALSE;
}

void FakeOfficeSink::setHook(std::function<void(const OfficeEvent&)> hook) { guarded([&] { hook_ = std::move(hook); }); }

HRESULT FakeOfficeSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                               EXCEPINFO*, UINT*)
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

} // namespace fakeoffice
