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

HRESULT ExtensionProviderContactDetails::getContactString(HRESULT (STDMETHODCALLTYPE IContact::*getter)(BSTR*), BSTR* out)
{
    if (!out) return E_POINTER;
    if (!contact) return E_POINTER;
    return (contact.get()->*getter)(out);
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
    if (!contact) return E_POINTER;
    return contact->get_IsTagged(tagged);
}

ComPtr<IPresenceState> ExtensionProviderContactDetails::getPresenceStateFromExtensionProviderContact()
{
    if (!contact) return nullptr;
    ComPtr<IDispatch> requested;
    if (FAILED(contact->RequestPresenceState(requested.out()))) {
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
    ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact();
    if (!presenceState) return E_FAIL;
    const HRESULT hr = presenceState->get_PresenceString(presenceString);
    if (FAILED(hr)) {
        TAVO_LOG(4, "Unable to get PresenceString from PresenceState");
        return hr;
    }
    return S_OK;
}

LONG ExtensionProviderContactDetails::getPresenceState()
{
    ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact();
    if (!presenceState) return ucAvailabilityNone;
    LONG hostPresence = 0;
    if (FAILED(presenceState->get_PresenceState(&hostPresence))) {
        TAVO_LOG(4, "Unable to get Presence from PresenceState");
        return ucAvailabilityNone;
    }
    return availabilityFromHostPresence(hostPresence);
}

std::shared_ptr<TransactionLock> ExtensionProviderContactDetails::getReadTransactionLock()
{
    ComPtr<IUnknown> transaction;
    if (contact && FAILED(contact->BeginReadTransaction(transaction.out())))
        transaction.detach(); // a failed call hands nothing over: whatever it left there is not ours to release
    try {
        return std::make_shared<ContactReadTransactionLock>(std::move(transaction));
    } catch (const std::bad_alloc&) {
        return nullptr; // out of memory: the values are read without the host's transaction
    }
}
