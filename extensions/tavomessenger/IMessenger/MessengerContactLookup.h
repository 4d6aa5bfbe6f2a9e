#pragma once

// Finds people for the Messenger object through the host client: one contact by sign-in name, the user's
// contact list, an address to add to it, and an e-mail address to resolve to an IM address. Plain (not
// COM): made on the stack of one call, under the Messenger object's lock, and it keeps nothing. Its
// refusals and failures are logged under the Messenger operation that made it.

#include "Configuration.h"
#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "logging/Logging.h"

#include "TavoMessengerLib.h"

#include <memory>

class MessengerContactLookup
{
public:
    // The contacts it makes keep their presence source with `holds`.
    MessengerContactLookup(const logging::CallSite& caller, std::shared_ptr<Configuration> configuration,
                           std::shared_ptr<HostObjectHolds> holds);

    // A new contact for the sign-in name, watched in the host; a bare one (not watched) for a name the
    // host does not know. The not-found result when signed out or when no contact can be made.
    HRESULT getContact(BSTR signinName, IDispatch** result) const;
    // A new collection of the user's contacts, each watched in the host; nothing written when the host
    // has no collection.
    HRESULT myContacts(IDispatch** result) const;
    // Asks the host to add the address to the user's contacts. S_OK whatever happens.
    HRESULT addContact(BSTR emailAddress) const;
    // Hands the address and the callback that answers it to the resolver; S_OK with nothing done when
    // there is no resolver (resolution disabled).
    HRESULT resolveContact(ADDRESS_TYPE addressType, CONTACT_RESOLUTION_TYPE resolutionType, BSTR address,
                           ContactResolver* resolver, ContactResolver::Callback resolved,
                           ContactResolver::Hold& answersAfterReturn) const;

private:
    const logging::CallSite caller;
    const std::shared_ptr<Configuration> configuration;
    const std::shared_ptr<HostObjectHolds> holds;
};
