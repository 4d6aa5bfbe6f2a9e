#include "host/BareContact.h"

#include "host/BareChangeData.h"
#include "host/BareHost.h"
#include "host/BareLanes.h"
#include "host/HostContactSink.h"
#include "extensionsutils/OfficeEventIds.h"

#include <ocidl.h>

#include <memory>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace bench {
namespace {

constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E); // MSGR_E_NOT_LOGGED_ON

// The host presence (1 to 5) as Office sees it; a plain table, as cheap as the module's mapping.
MISTATUS statusOf(LONG presence)
{
    static const MISTATUS statuses[] = {MISTATUS_ONLINE, MISTATUS_AWAY, MISTATUS_BUSY, MISTATUS_IDLE,
                                        MISTATUS_OFFLINE};
    return presence >= 1 && presence <= 5 ? statuses[presence - 1] : MISTATUS_UNKNOWN;
}

LONG availabilityOf(LONG presence)
{
    static const LONG availabilities[] = {3500, 15500, 6500, 12500, 18500};
    return presence >= 1 && presence <= 5 ? availabilities[presence - 1] : 0;
}

} // namespace

bool bareSignedIn()
{
    ComPtr<IProviderManagement> management = bareHost().create<IProviderManagement>();
    long value = 1;
    return management && SUCCEEDED(management->IsSignedIn(&value)) && value == 0;
}

BareContact::BareContact(ComPtr<IContact> hostContact, Bstr signinName)
    : ConnectionPointContainer({DIID__IUCCContactEvents}),
      hostContact_(std::move(hostContact)),
      presenceSource_(bareHost().create<IIMAndPresence>()),
      signinName_(std::move(signinName))
{
}

BareContact::~BareContact()
{
    if (hostSink_) hostSink_->detach();
    if (hostPoint_) hostPoint_->Unadvise(hostCookie_);
}

HRESULT BareContact::FindConnectionPoint(REFIID eventInterface, IConnectionPoint** point)
{
    if (eventInterface == DIID__IUCCContactEvents) subscribe();
    return ConnectionPointContainer::FindConnectionPoint(eventInterface, point);
}

void BareContact::subscribe()
{
    std::lock_guard<std::mutex> lock(subscription_);
    if (hostSink_) return;
    const ComPtr<IConnectionPointContainer> container = hostContact_.as<IConnectionPointContainer>();
    if (!container || FAILED(container->FindConnectionPoint(DIID__IContactEvents, hostPoint_.out()))) return;
    hostSink_.attach(new HostContactSink([this] { contactChanged(); }));
    if (FAILED(hostPoint_->Advise(hostSink_.get(), &hostCookie_))) hostPoint_.reset();
}

// A host change as the module reports a presence change to Office, done the plainest way, handed to the
// bare lanes: this contact's sinks are called by their Office process's own thread.
void BareContact::contactChanged()
{
    const auto data = extensionsutils::ComObject<BareChangeData>::create();
    if (!data) return;
    const ComPtr<IDispatch> dataDispatch = data.as<IDispatch>();
    auto arguments = std::make_shared<extensionsutils::DispatchParameters>();
    VARIANT source; // the event's first argument
    source.vt = VT_DISPATCH;
    source.pdispVal = static_cast<IDispatch*>(static_cast<IUCCContact*>(this));
    VARIANT changed;
    changed.vt = VT_DISPATCH;
    changed.pdispVal = dataDispatch.get();
    if (FAILED(arguments->add(source)) || FAILED(arguments->add(changed))) return;
    bareLanes().fire(connectedSinks(connectionPoint(DIID__IUCCContactEvents)), extensionsutils::officeevents::onContactInformationChanged,
                     arguments);
}

HRESULT BareContact::get_Status(MISTATUS* status)
{
    if (!status) return E_POINTER;
    if (!bareSignedIn()) return NotLoggedOn;
    ComPtr<IDispatch> presence;
    if (!presenceSource_ || FAILED(presenceSource_->GetPresenceForContact(signinName_.get(), presence.out()))) {
        return E_FAIL;
    }
    const ComPtr<IPresenceState> state = presence ? presence.as<IPresenceState>() : nullptr;
    LONG value = 0;
    if (!state || FAILED(state->get_PresenceState(&value))) return E_FAIL;
    *status = statusOf(value);
    return S_OK;
}

HRESULT BareContact::GetContactInformation(ContactInformationType type, VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    if (type != ucPresenceAvailability) return E_NOTIMPL;
    ComPtr<IUnknown> transaction;
    hostContact_->BeginReadTransaction(transaction.out());
    ComPtr<IDispatch> presence;
    if (FAILED(hostContact_->RequestPresenceState(presence.out())) || !presence) return E_FAIL;
    const ComPtr<IPresenceState> state = presence.as<IPresenceState>();
    LONG hostPresence = 0;
    if (!state || FAILED(state->get_PresenceState(&hostPresence))) return E_FAIL;
    value->vt = VT_I4;
    value->lVal = availabilityOf(hostPresence);
    return S_OK;
}

} // namespace bench
