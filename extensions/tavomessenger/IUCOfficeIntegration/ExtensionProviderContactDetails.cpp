#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"

#include "IUCOfficeIntegration/ContactReadTransactionLock.h"

#include "logging/Results.h"

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
    HostCallGate::Call call(gate);
    if (!call) return; // the module has stopped: nothing is watched any more
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
    gate.close();
    listener.reset(); // unadvised while the host contact is still held
    contact.reset();
}

HRESULT ExtensionProviderContactDetails::readableContact(const HostCallGate::Call& call) const
{
    if (!call) return CO_E_SERVER_STOPPING;
    if (!contact) return E_POINTER;
    return S_OK;
}

ComPtr<IPresenceState> ExtensionProviderContactDetails::getPresenceStateFromExtensionProviderContact()
{
    ComPtr<IDispatch> requested;
    if (FAILED(contact->RequestPresenceState(requested.out()))) return TAVO_FAIL(4, "Unable to request Presence State", nullptr);
    if (!requested) return TAVO_FAIL(3, "Presence State request answered no object", nullptr);
    ComPtr<IPresenceState> presenceState = requested.as<IPresenceState>();
    if (!presenceState) return TAVO_FAIL(4, "Unable to QueryInterface IDispatch for IPresenceState", nullptr);
    return presenceState;
}

HRESULT ExtensionProviderContactDetails::getPresenceString(BSTR* presenceString)
{
    if (!presenceString) return E_POINTER;
    HostCallGate::Call call(gate);
    const HRESULT readable = readableContact(call);
    if (FAILED(readable)) return readable;
    const ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact();
    if (!presenceState) return E_FAIL;
    TAVO_RETURN_IF_FAILED(presenceState->get_PresenceString(presenceString), 4, "Unable to get PresenceString from PresenceState");
    return S_OK;
}

LONG ExtensionProviderContactDetails::getPresenceState()
{
    HostCallGate::Call call(gate);
    if (FAILED(readableContact(call))) return ucAvailabilityNone;
    const ComPtr<IPresenceState> presenceState = getPresenceStateFromExtensionProviderContact();
    if (!presenceState) return ucAvailabilityNone;
    LONG hostPresence = 0;
    if (FAILED(presenceState->get_PresenceState(&hostPresence)))
        return TAVO_FAIL(4, "Unable to get Presence from PresenceState", LONG(ucAvailabilityNone));
    return availabilityFromHostPresence(hostPresence);
}

std::shared_ptr<TransactionLock> ExtensionProviderContactDetails::getReadTransactionLock()
{
    return std::make_shared<ContactReadTransactionLock>(gate, contact);
}
