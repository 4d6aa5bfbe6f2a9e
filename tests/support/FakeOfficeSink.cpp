#include "support/FakeOfficeSink.h"

#include "extensionsutils/EventDelivery.h"

#include <objbase.h>
#include <ocidl.h>

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

void OfficeEventJournal::add(OfficeEvent event)
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
}

namespace {

// The module delivers events on its own threads after firing returns: what a test reads is what was
// delivered once the deliveries in hand are done (or their sinks stalled).
const DWORD settleTimeoutMs = 5000;

} // namespace

std::vector<OfficeEvent> OfficeEventJournal::events() const
{
    extensionsutils::EventDelivery::waitUntilSettled(settleTimeoutMs);
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

FakeOfficeSink::FakeOfficeSink(const IID& eventInterface, std::shared_ptr<OfficeEventJournal> journal)
    : DispatchSink(eventInterface), journal_(std::move(journal))
{
}

FakeOfficeSink::~FakeOfficeSink() = default;

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
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(mutex_);
    point_ = point;
    cookie_ = cookie;
    return S_OK;
}

HRESULT FakeOfficeSink::unadvise()
{
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        point.swap(point_);
        std::swap(cookie, cookie_);
    }
    if (!point) return S_FALSE;
    return point->Unadvise(cookie);
}

void FakeOfficeSink::setHook(std::function<void(const OfficeEvent&)> hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

HRESULT FakeOfficeSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                               EXCEPINFO*, UINT*)
{
    if (result) VariantInit(result);
    OfficeEvent event;
    event.eventInterface = eventInterface();
    event.id = id;
    event.flags = flags;
    if (parameters) {
        // DISPPARAMS holds the last argument first.
        for (UINT i = parameters->cArgs; i > 0; --i) event.arguments.emplace_back(parameters->rgvarg[i - 1]);
    }
    event.threadId = GetCurrentThreadId();
    event.apartment = currentApartment();
    std::function<void(const OfficeEvent&)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = hook_;
    }
    if (journal_) journal_->add(event);
    if (hook) hook(event);
    return result_.load();
}

} // namespace fakeoffice
