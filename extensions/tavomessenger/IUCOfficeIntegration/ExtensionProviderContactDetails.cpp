#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"

#include "IUCOfficeIntegration/ContactReadTransactionLock.h"

#include "logging/Logging.h"

#include "TavoMessengerLib.h"

#include <new>
#include <utility>

using extensionsutils::ComPtr;

namespace {

// The host contact's event that reports changed data: one argument, the array of change codes.
const DISPID contactChangedDispid = 1;

// The UC availability number of a host presence value; the busy and idle numbers are never produced.
LONG availabilityFromHostPresence(LONG hostPresence)
{
    switch (hostPresence) {
    case 1: return ucAvailabilityFree;
    case 2: return ucAvailabilityAway;
    case 3: return ucAvailabilityDoNotDisturb;
    case 4: return ucAvailabilityAway;
    case 5: return ucAvailabilityOffline;
    default: return ucAvailabilityNone;
    }
}

} // namespace

std::shared_ptr<ExtensionProviderContactDetails> ExtensionProviderContactDetails::create(
    ComPtr<IContact> hostContact, const std::shared_ptr<HostObjectHolds>& holds)
{
    auto details = std::make_shared<ExtensionProviderContactDetails>(std::move(hostContact));
    HostObjectHolds::keep(holds, details);
    return details;
}

ExtensionProviderContactDetails::ExtensionProviderContactDetails(ComPtr<IContact> hostContact)
    : contact(std::move(hostContact))
{
    TAVO_LOG(1, "Constructor " << static_cast<const void*>(this));
}

ExtensionProviderContactDetails::~ExtensionProviderContactDetails()
{
    TAVO_LOG(1, "Destructor" << static_cast<const void*>(this));
    listener.reset(); // unadvised while the host contact is still held
}

void ExtensionProviderContactDetails::startWatchingContact(ChangeHandler handler)
{
    TAVO_LOG(1, "Start watching contact");
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns() || letGo) return; // the module has stopped: nothing is watched any more
    std::shared_ptr<ContactEventsListener> replacement;
    try {
        replacement = std::make_shared<ContactEventsListener>(contact.get(), contactChangedDispid, std::move(handler));
    } catch (const std::bad_alloc&) {
        // Reported below as a sink that could not be connected.
    }
    listener = std::move(replacement); // an earlier listener goes here, which unadvises it
    if (!listener || !listener->isConnected())
        TAVO_LOG(4, "Unable to initialised sink for _IContactEvents, contact updates will not be reported");
    if (contact) contact->StartWatching(); // the host watches even when its events cannot reach us
}

void ExtensionProviderContactDetails::letGoOfHost()
{
    std::shared_ptr<ContactEventsListener> watching;
    ComPtr<IContact> held;
    {
        vorn::ExclusiveGuard guard(lock);
        if (!guard.owns()) return;
        letGo = true;
        watching.swap(listener);
        held.swap(contact);
    }
    watching.reset(); // unadvised while the host contact is still held
    held.reset();
}

template <class Read>
HRESULT ExtensionProviderContactDetails::readContact(Read read)
{
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return E_OUTOFMEMORY; // refused: the lock could not record the hold
    if (!contact) return letGo ? CO_E_SERVER_STOPPING : E_POINTER;
    return read(contact.get());
}

HRESULT ExtensionProviderContactDetails::getContactString(HRESULT (STDMETHODCALLTYPE IContact::*getter)(BSTR*), BSTR* out)
{
    if (!out) return E_POINTER;
    return readContact([getter, out](IContact* hostContact) { return (hostContact->*getter)(out); });
}

HRESULT ExtensionProviderContactDetails::getUri(BSTR* uri)
{
    return getContactString(&IContact::get_SigninName, uri);
}

HRESULT ExtensionProviderContactDetails::getDisplayName(BSTR* displayName)
{
    return getContactString(&IContact::get_FriendlyName, displayName);
}

HRESULT ExtensionProviderContactDetails::getWorkNumber(BSTR* number)
{
    return getContactString(&IContact::get_WorkNumber, number);
}

HRESULT ExtensionProviderContactDetails::getMobileNumber(BSTR* number)
{
    return getContactString(&IContact::get_MobileNumber, number);
}

HRESULT ExtensionProviderContactDetails::getHomeNumber(BSTR* number)
{
    return getContactString(&IContact::get_HomeNumber, number);
}

HRESULT ExtensionProviderContactDetails::getOtherNumber(BSTR* number)
{
    return getContactString(&IContact::get_OtherNumber, number);
}

HRESULT ExtensionProviderContactDetails::getTagged(VARIANT_BOOL* tagged)
{
    if (!tagged) return E_POINTER;
    return readContact([tagged](IContact* hostContact) { return hostContact->get_IsTagged(tagged); });
}

// Called with the lock held: the presence state it answers is released before the lock is.
ComPtr<IPresenceState> ExtensionProviderContactDetails::getPresenceStateFromExtensionProviderContact(IContact* hostContact)
{
    ComPtr<IDispatch> requested;
    if (FAILED(hostContact->RequestPresenceState(requested.out()))) {
        TAVO_LOG(4, "Unable to request Presence State");
        return nullptr;
    }
    if (!requested) {
        TAVO_LOG(3, "Presence State request answered no object");
        return nullptr;
    }
    ComPtr<IPresenceState> presenceState = requested.as<IPresenceState>();
    if (!presenceState) {
        TAVO_LOG(4, "Unable to QueryInterface IDispatch for IPresenceState");
        return nullptr;
    }
    return presenceState;
}

HRESULT ExtensionProviderContactDetails::getPresenceString(BSTR* presenceString)
{
    if (!presenceString) return E_POINTER;
    const logging::CallSite here = TAVO_CALL_SITE;
    return readContact([this, presenceString, &here](IContact* hostContact) {
        const ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact(hostContact);
        if (!presenceState) return E_FAIL;
        const HRESULT hr = presenceState->get_PresenceString(presenceString);
        if (FAILED(hr)) {
            TAVO_LOG_AT(here, 4, "Unable to get PresenceString from PresenceState");
            return hr;
        }
        return S_OK;
    });
}

LONG ExtensionProviderContactDetails::getPresenceState()
{
    LONG availability = ucAvailabilityNone;
    const logging::CallSite here = TAVO_CALL_SITE;
    readContact([this, &availability, &here](IContact* hostContact) {
        const ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact(hostContact);
        if (!presenceState) return S_OK;
        LONG hostPresence = 0;
        if (FAILED(presenceState->get_PresenceState(&hostPresence))) {
            TAVO_LOG_AT(here, 4, "Unable to get Presence from PresenceState");
            return S_OK;
        }
        availability = availabilityFromHostPresence(hostPresence);
        return S_OK;
    });
    return availability;
}

std::shared_ptr<TransactionLock> ExtensionProviderContactDetails::getReadTransactionLock()
{
    try {
        return std::make_shared<ContactReadTransactionLock>(lock, contact);
    } catch (const std::bad_alloc&) {
        return nullptr; // out of memory: the values are read without the host's transaction
    }
}
