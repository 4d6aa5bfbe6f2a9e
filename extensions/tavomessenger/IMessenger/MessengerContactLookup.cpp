#include "IMessenger/MessengerContactLookup.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/MessengerResults.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerContact.h"
#include "IMessenger/TavoMessengerContacts.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Utf8.h"

#include <string>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

namespace {

const char* const notLoggedIn = "client is not logged in, returning";
const char* const noContactMade = "Unable to create instance of messenger contact, returning not found";

// Shorter text cannot be an e-mail address; the host is not asked to add it.
const UINT shortestEmailAddress = 5;

std::string utf8Of(BSTR text)
{
    return extensionsutils::toUtf8(text, SysStringLen(text));
}

} // namespace

MessengerContactLookup::MessengerContactLookup(const logging::CallSite& caller,
                                               std::shared_ptr<Configuration> configuration,
                                               std::shared_ptr<HostObjectHolds> holds)
    : caller(caller), configuration(std::move(configuration)), holds(std::move(holds))
{
}

// Office always receives a contact for a well-formed name while the user is signed in, even for a name
// the host does not know: such a contact asks the host for its status on each call.
HRESULT MessengerContactLookup::getContact(BSTR signinName, IDispatch** result) const
{
    if (!result) return E_POINTER;
    if (SysStringLen(signinName) == 0) return E_FAIL;
    if (!messengerapi::signedIn(caller, 1, "Client is not logged in, returning"))
        return ExtensionProviderClient::contactNotFound;
    TAVO_LOG_AT(caller, 2, "got a request for contact - " << utf8Of(signinName));

    ComPtr<IContact> hostContact;
    MICComPtr<TavoMessengerContact> contact;
    if (FAILED(ExtensionProviderClient::getContact(signinName, hostContact)) || !hostContact) {
        TAVO_LOG_AT(caller, 1, "ExtensionProvider returned NULL contact.");
        contact = extensionsutils::ComObject<TavoMessengerContact>::create();
        if (!contact) {
            TAVO_LOG_AT(caller, 4, noContactMade);
            return ExtensionProviderClient::contactNotFound;
        }
        contact->initialise(Bstr(L""), Bstr(signinName, SysStringLen(signinName)), configuration, holds);
        return contact.copyTo(result);
    }

    contact = TavoMessengerExtensionBroker::CreateMessengerContact(hostContact.get(), configuration, holds);
    if (!contact) {
        TAVO_LOG_AT(caller, 4, noContactMade);
        return ExtensionProviderClient::contactNotFound;
    }
    Bstr jid;
    if (FAILED(hostContact->get_SigninName(jid.out()))) {
        TAVO_LOG_AT(caller, 4, "Unable to get Jid from contact so cannot start watching");
    } else if (FAILED(ExtensionProviderClient::startWatchingContact(jid.get()))) {
        TAVO_LOG_AT(caller, 4, "Start watching failed");
    }
    return contact.copyTo(result);
}

HRESULT MessengerContactLookup::myContacts(IDispatch** result) const
{
    if (!result) return E_POINTER;
    TAVO_LOG_AT(caller, 1, "get_MyContacts");
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        TAVO_LOG_AT(caller, 4, "pClassFactory CreateInstance IID_IIMAndPresence failed");
        return E_FAIL;
    }
    ComPtr<IDispatch> hostContacts;
    if (FAILED(imAndPresence->GetContacts(hostContacts.out()))) {
        TAVO_LOG_AT(caller, 4, "pIMAndPresence->GetContacts failed");
        return E_FAIL;
    }
    if (!hostContacts) return S_OK;
    MICComPtr<CTavoMessengerContacts> contacts = extensionsutils::ComObject<CTavoMessengerContacts>::create();
    if (!contacts) {
        TAVO_LOG_AT(caller, 4, "Unable to create instance of TavoMessengerContacts");
        return E_FAIL;
    }
    contacts->initialise(hostContacts.get(), configuration, holds);
    contacts.copyTo(result);
    return S_OK;
}

// Office is told S_OK whatever happens, and no event follows.
HRESULT MessengerContactLookup::addContact(BSTR emailAddress) const
{
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return S_OK;
    TAVO_LOG_AT(caller, 2, "got a request to add contact - " << utf8Of(emailAddress));
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        TAVO_LOG_AT(caller, 4, "pIMAndPresence is NULL");
        return S_OK;
    }
    if (SysStringLen(emailAddress) < shortestEmailAddress) {
        TAVO_LOG_AT(caller, 1, "email address string is less than 5 chars - cannot add");
        return S_OK;
    }
    if (FAILED(imAndPresence->AddContact(emailAddress))) TAVO_LOG_AT(caller, 4, "pIMAndPresence->AddContact failed");
    return S_OK;
}

// The IM address reaches Office only through the callback (as OnContactResolved), never as a result.
HRESULT MessengerContactLookup::resolveContact(ADDRESS_TYPE addressType, CONTACT_RESOLUTION_TYPE resolutionType,
                                               BSTR address, ContactResolver* resolver,
                                               ContactResolver::Callback resolved,
                                               ContactResolver::Hold& answersAfterReturn) const
{
    TAVO_LOG_AT(caller, 1, "Resolving contact - " << utf8Of(address) << " Address type: " << addressType
                                                  << " Resolution type: " << resolutionType);
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    if (SysStringLen(address) == 0) {
        TAVO_LOG_AT(caller, 3, "no address to resolve");
        return E_INVALIDARG;
    }
    if (!resolver) return S_OK;
    return resolver->resolveContact(address, std::move(resolved), &answersAfterReturn);
}
