#include "soak/CountingSink.h"

#include "officesim/VtableMessengerApi.h"
#include "extensionsutils/OfficeEventIds.h"

namespace soak {

using extensionsutils::ComPtr;

namespace {

const DISPID OnContactStatusChange = extensionsutils::officeevents::onContactStatusChange;
const DISPID OnContactInformationChanged = 400;

} // namespace

ComPtr<CountingSink> CountingSink::create(Kind kind, const IID& eventInterface, std::shared_ptr<EventTally> tally,
                                          const std::wstring& contact)
{
    ComPtr<CountingSink> sink;
    sink.attach(new CountingSink(kind, eventInterface, std::move(tally), contact));
    return sink;
}

CountingSink::CountingSink(Kind kind, const IID& eventInterface, std::shared_ptr<EventTally> tally,
                           const std::wstring& contact)
    : DispatchSink(eventInterface), kind_(kind), tally_(std::move(tally)), contact_(contact)
{
}

HRESULT CountingSink::advise(IUnknown* source)
{
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    const HRESULT hr = adviseOn(source, point, cookie);
    if (FAILED(hr)) return hr;
    point_ = point;
    cookie_ = cookie;
    return S_OK;
}

void CountingSink::unadvise()
{
    ComPtr<IConnectionPoint> point;
    point.swap(point_);
    if (point) point->Unadvise(cookie_);
}

// DISPPARAMS holds the last argument first: the status, then the contact.
void CountingSink::countStatusChange(const DISPPARAMS& parameters)
{
    const VARIANT& contact = parameters.rgvarg[1];
    const VARIANT& status = parameters.rgvarg[0];
    if (contact.vt != VT_DISPATCH || !contact.pdispVal || status.vt != VT_I4) {
        tally_->statusChange(L"(malformed event)", -1);
        return;
    }
    officesim::VtableMessengerApi messenger;
    const officesim::Answer<std::wstring> name = messenger.signinName(contact.pdispVal);
    tally_->statusChange(SUCCEEDED(name.hr) ? name.value : L"(unreadable contact)", status.lVal);
}

HRESULT CountingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                             UINT*)
{
    if (result) VariantInit(result);
    if (kind_ == Kind::Blocking) {
        // Office's handler hung: this call never returns while the process lives.
        tally_->other();
        Sleep(INFINITE);
    }
    if (kind_ == Kind::MessengerEvents && id == OnContactStatusChange && parameters && parameters->cArgs == 2) {
        countStatusChange(*parameters);
    } else if (kind_ == Kind::ContactEvents && id == OnContactInformationChanged) {
        tally_->informationChange(contact_);
    } else {
        tally_->other();
    }
    return S_OK;
}

} // namespace soak
