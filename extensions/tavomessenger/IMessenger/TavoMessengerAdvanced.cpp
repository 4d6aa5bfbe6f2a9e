#include "IMessenger/TavoMessengerAdvanced.h"

#include "EventWorkers.h"
#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/MessengerContactLookup.h"
#include "IMessenger/MessengerConversationStarter.h"
#include "IMessenger/MessengerResults.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "IMessenger/TavoMessengerService.h"
#include "IMessenger/TavoMessengerServices.h"
#include "logging/Logging.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"

#include <new>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;

namespace {

const char* const notLoggedIn = "client is not logged in, returning";
const char* const notLoggedInReturningError = "not logged in returning MSGR_E_NOT_LOGGED_ON";
const char* const serviceQueryFailed = "primaryServiceDispatch->QueryInterface failed";
// The lock refuses only an upgrade (exclusive while this thread holds it shared, as a call made from inside
// one of this object's own operations would) or when its primitives are unusable.
const char* const lockRefused = "could not take the Messenger lock";

// The argument by value, or empty when it cannot be copied.
Variant valueOf(const VARIANT& argument)
{
    Variant copy;
    extensionsutils::copyByValue(argument, copy);
    return copy;
}

bool isVoiceConversation(CONVERSATION_TYPE type)
{
    return type == CONVERSATION_TYPE_AUDIO || type == CONVERSATION_TYPE_PHONE || type == CONVERSATION_TYPE_PSTN ||
           type == CONVERSATION_TYPE_VIDEO;
}

} // namespace

TavoMessengerAdvanced::TavoMessengerAdvanced()
    : authenticationInfo(L"<authenticationinfo><protocol>sip_tls</protocol></authenticationinfo>"),
      services(extensionsutils::ComObject<TavoMessengerServices>::create()),
      resolveEnabled(RegistryUtils::isResolveContactEnabled())
{
    TAVO_LOG(1, "Creating TavoMessengerAdvanced");
    if (!services) TAVO_LOG(4, "failed to create TavoMessengerServices");
}

TavoMessengerAdvanced::~TavoMessengerAdvanced() = default;

void TavoMessengerAdvanced::initialise(std::weak_ptr<WorkerThread> worker, std::shared_ptr<Configuration> config,
                                       std::shared_ptr<ContactResolver> resolver, std::shared_ptr<HostObjectHolds> holds)
{
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) {
        TAVO_LOG(4, lockRefused);
        return;
    }
    workerThread = std::move(worker);
    configuration = std::move(config);
    contactResolver = std::move(resolver);
    hostObjectHolds = std::move(holds);
}

void TavoMessengerAdvanced::uninitialise()
{
    std::shared_ptr<ContactResolver> resolver;
    {
        vorn::ExclusiveGuard guard(lock);
        if (!guard.owns()) {
            TAVO_LOG(4, lockRefused);
            return;
        }
        const MICComPtr<CTavoMessengerService> primary = services ? services->primaryService() : nullptr;
        if (primary) primary->setShuttingDown();
        // Pending resolutions hold this object through their callbacks: dropping the resolver here is what
        // lets the object go once Office and the factory release it.
        resolver = std::move(contactResolver);
    }
}

bool TavoMessengerAdvanced::isPhoneMode() const
{
    return configuration && configuration->isPhoneMode();
}

HRESULT TavoMessengerAdvanced::readPrimaryService(const logging::CallSite& caller, ServiceText read,
                                                  const char* queryFailure, const char* readFailure, BSTR* text)
{
    if (!text) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    const auto fail = [&caller](const char* failure) -> HRESULT {
        TAVO_LOG_AT(caller, 4, failure);
        return E_FAIL;
    };
    if (!services) return fail("messengerServices is NULL");
    ComPtr<IDispatch> primary;
    if (FAILED(services->get_PrimaryService(primary.out())) || !primary)
        return fail("messengerServices->get_PrimaryService failed");
    const ComPtr<IMessengerService> service = primary.as<IMessengerService>();
    if (!service) return fail(queryFailure);
    Bstr value;
    if (FAILED((service.get()->*read)(value.out()))) return fail(readFailure);
    return value.copyTo(text);
}

// Commands and getters the module cannot carry out: S_OK while signed in, nothing done, nothing written.
HRESULT TavoMessengerAdvanced::acceptWhenSignedIn(const logging::CallSite& caller)
{
    vorn::SharedGuard guard(lock);
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    return S_OK;
}

// ---- The signed-in user ----

HRESULT TavoMessengerAdvanced::get_MySigninName(BSTR* name)
{
    return readPrimaryService(TAVO_CALL_SITE, &IMessengerService::get_MySigninName, serviceQueryFailed,
                              "primaryService->get_MySigninName failed", name);
}

HRESULT TavoMessengerAdvanced::get_MyFriendlyName(BSTR* name)
{
    return readPrimaryService(TAVO_CALL_SITE, &IMessengerService::get_MyFriendlyName,
                              "Unable to QueryInterface IDispatch for IMessengerService",
                              "primaryService->get_MyFriendlyName failed", name);
}

HRESULT TavoMessengerAdvanced::get_MyServiceName(BSTR* name)
{
    return readPrimaryService(TAVO_CALL_SITE, &IMessengerService::get_ServiceName, serviceQueryFailed,
                              "primaryService->get_ServiceName failed", name);
}

HRESULT TavoMessengerAdvanced::get_MyServiceId(BSTR* serviceId)
{
    return readPrimaryService(TAVO_CALL_SITE, &IMessengerService::get_ServiceId, serviceQueryFailed,
                              "primaryService->get_ServiceID failed", serviceId);
}

// A signed-in user whose own presence cannot be read is reported Offline, not Unknown.
HRESULT TavoMessengerAdvanced::get_MyStatus(MISTATUS* status)
{
    if (!status) return E_POINTER;
    vorn::SharedGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedInReturningError, MSGR_E_NOT_LOGGED_ON);
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        *status = MISTATUS_OFFLINE;
        TAVO_LOG(4, "could not create a IIMAndPresence object");
        return S_OK;
    }
    // Through the interface, as Office would ask: the nested shared hold of the lock passes a queued writer.
    Bstr signinName;
    if (FAILED(get_MySigninName(signinName.out()))) {
        *status = MISTATUS_OFFLINE;
        TAVO_LOG(4, "this->get_MySigninName failed");
        return S_OK;
    }
    const char* const notPresenceState = "pDispPresenceState->QueryInterface<IPresenceState> failed";
    const TavoMessengerExtensionBroker::PresenceReadTexts texts{"imAndPresence->GetPresenceForContact failed",
                                                              notPresenceState, notPresenceState, notPresenceState};
    if (const char* failure =
            TavoMessengerExtensionBroker::readStatus(imAndPresence.get(), signinName.get(), texts, *status)) {
        *status = MISTATUS_OFFLINE;
        TAVO_LOG(4, failure);
    }
    return S_OK;
}

// The module never changes the user's status: the host client owns it.
HRESULT TavoMessengerAdvanced::put_MyStatus(MISTATUS)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::get_MyPhoneNumber(MPHONE_TYPE type, BSTR* number)
{
    if (!number) return E_POINTER;
    vorn::SharedGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) {
        TAVO_LOG(4, "providerManagement is NULL");
        return S_OK;
    }
    ComPtr<IDispatch> user;
    if (FAILED(providerManagement->GetLoggedInUser(user.out()))) {
        TAVO_LOG(4, "providermanagement->GetLoggedInUser failed");
        return S_OK;
    }
    ComPtr<IContact> contact = user ? user.as<IContact>() : nullptr;
    if (!contact) {
        TAVO_LOG(4, "pDispContact->QueryInterface IID_IContact failed");
        return S_OK;
    }
    if (type == MPHONE_TYPE_ALL) {
        TAVO_LOG(4, "unknown type ALL, cannot return a number");
        return E_FAIL;
    }
    const TavoMessengerExtensionBroker::PhoneNumberField* field = TavoMessengerExtensionBroker::phoneNumberField(type);
    if (!field) {
        TAVO_LOG(4, "unknown type, cannot return a number");
        return E_FAIL;
    }
    Bstr value;
    if (FAILED((contact.get()->*field->read)(value.out()))) {
        TAVO_LOG(4, "pContact->" << field->readName << " " << field->typeName << " failed");
        return S_OK;
    }
    return value.copyTo(number);
}

HRESULT TavoMessengerAdvanced::get_Services(IDispatch** result)
{
    if (!result) return E_POINTER;
    vorn::SharedGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    if (!services) {
        TAVO_LOG(4, "messengerServices is NULL");
        return E_FAIL;
    }
    ComPtr<IDispatch> dispatch = services.as<IDispatch>();
    if (!dispatch) {
        TAVO_LOG(4, "Unable to QueryInterface TavoMessengerServices for IDispatch");
        return E_FAIL;
    }
    *result = dispatch.detach();
    return S_OK;
}

HRESULT TavoMessengerAdvanced::GetAuthenticationInfo(BSTR* info)
{
    vorn::SharedGuard guard(lock);
    if (!info) return E_INVALIDARG;
    return Bstr(authenticationInfo).copyTo(info);
}

// ---- Sign-in: the host client signs the user in and out, never the module ----

HRESULT TavoMessengerAdvanced::Signin(LONG, BSTR, BSTR)
{
    vorn::SharedGuard guard(lock);
    messengerapi::signedIn(TAVO_CALL_SITE, 2, "client is not logged in");
    return S_OK;
}

HRESULT TavoMessengerAdvanced::Signout()
{
    vorn::SharedGuard guard(lock);
    RETURN_IF_SIGNED_OUT(2, "already logged out", MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::AutoSignin()
{
    return S_OK;
}

// ---- Property maps: kept in memory only; nothing reaches the host ----

template <class Key>
HRESULT TavoMessengerAdvanced::readProperty(const logging::CallSite& caller, const std::map<Key, Variant>& map,
                                            Key key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!messengerapi::signedIn(caller, 1, notLoggedInReturningError)) return MSGR_E_NOT_LOGGED_ON;
    return copyStored(map, key, value);
}

template <class Key>
HRESULT TavoMessengerAdvanced::writeProperty(const logging::CallSite& caller, std::map<Key, Variant>& map, Key key,
                                             const VARIANT& value)
{
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) {
        TAVO_LOG_AT(caller, 4, lockRefused);
        return E_UNEXPECTED;
    }
    if (!messengerapi::signedIn(caller, 1, notLoggedInReturningError)) return MSGR_E_NOT_LOGGED_ON;
    return storeProperty(map, key, value);
}

HRESULT TavoMessengerAdvanced::get_MyProperty(MCONTACTPROPERTY key, VARIANT* value)
{
    return readProperty(TAVO_CALL_SITE, myProperties, key, value);
}

HRESULT TavoMessengerAdvanced::put_MyProperty(MCONTACTPROPERTY key, VARIANT value)
{
    return writeProperty(TAVO_CALL_SITE, myProperties, key, value);
}

HRESULT TavoMessengerAdvanced::get_Property(MMESSENGERPROPERTY key, VARIANT* value)
{
    return readProperty(TAVO_CALL_SITE, messengerProperties, key, value);
}

HRESULT TavoMessengerAdvanced::put_Property(MMESSENGERPROPERTY key, VARIANT value)
{
    return writeProperty(TAVO_CALL_SITE, messengerProperties, key, value);
}

// ---- Members the module does not support: Office carries on with S_OK, out-parameters unwritten ----

HRESULT TavoMessengerAdvanced::get_Window(IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::ViewProfile(VARIANT)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::get_ReceiveFileDirectory(BSTR*)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::StartVoice(VARIANT, IDispatch**)
{
    return E_NOTIMPL;
}

HRESULT TavoMessengerAdvanced::InviteApp(VARIANT, BSTR, IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::SendMail(VARIANT)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::OpenInbox()
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::SendFile(VARIANT, BSTR, IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::OptionsPages(LONG, MOPTIONPAGE)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::MediaWizard(LONG)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::Page(VARIANT, IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::get_UnreadEmailCount(MUAFOLDER, LONG*)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::get_ContactsSortOrder(MUASORT* order)
{
    if (!order) return E_POINTER;
    vorn::SharedGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    *order = MUASORT_GROUPS;
    return S_OK;
}

HRESULT TavoMessengerAdvanced::put_ContactsSortOrder(MUASORT)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::StartVideo(VARIANT, IDispatch**)
{
    return E_NOTIMPL;
}

HRESULT TavoMessengerAdvanced::get_MyGroups(IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::CreateGroup(BSTR, VARIANT, IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

// ---- Contact lookup ----

HRESULT TavoMessengerAdvanced::GetContact(BSTR signinName, BSTR, IDispatch** result)
{
    vorn::SharedGuard guard(lock);
    return MessengerContactLookup(TAVO_CALL_SITE, configuration, hostObjectHolds).getContact(signinName, result);
}

HRESULT TavoMessengerAdvanced::get_MyContacts(IDispatch** result)
{
    vorn::SharedGuard guard(lock);
    return MessengerContactLookup(TAVO_CALL_SITE, configuration, hostObjectHolds).myContacts(result);
}

// The host is not asked for anything: the module offers no contact search.
HRESULT TavoMessengerAdvanced::FindContact(LONG, BSTR, BSTR, VARIANT, VARIANT, VARIANT)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

HRESULT TavoMessengerAdvanced::AddContact(LONG, BSTR emailAddress)
{
    vorn::SharedGuard guard(lock);
    return MessengerContactLookup(TAVO_CALL_SITE, configuration, hostObjectHolds).addContact(emailAddress);
}

// The IM address reaches Office only as OnContactResolved, never through the out-parameter.
HRESULT TavoMessengerAdvanced::ResolveContact(ADDRESS_TYPE addressType, CONTACT_RESOLUTION_TYPE resolutionType,
                                              BSTR address, BSTR*)
{
    // Destroyed last: an answer the host gives at once reaches Office only after this call has returned.
    ContactResolver::Hold answersAfterReturn;
    // Taken before the Messenger lock: uninitialise takes the integration lock first and this lock second.
    MessengerEventsFiring* events = getMessengerEvents();
    ComPtr<MessengerEventSource> messenger(this);
    vorn::SharedGuard guard(lock);
    return MessengerContactLookup(TAVO_CALL_SITE, configuration, hostObjectHolds)
        .resolveContact(addressType, resolutionType, address, resolveEnabled ? contactResolver.get() : nullptr,
                        [messenger, events](const Bstr& email, const Bstr& imAddress) {
                            ExtensionProviderEventWorkers::contactResolved(messenger, events, email, imAddress);
                        },
                        answersAfterReturn);
}

// ---- Conversations: the host client opens its own windows; no window out-parameter is ever written ----

HRESULT TavoMessengerAdvanced::InstantMessage(VARIANT contact, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    return MessengerConversationStarter(TAVO_CALL_SITE, isPhoneMode()).startInstantMessage(valueOf(contact));
}

HRESULT TavoMessengerAdvanced::Phone(VARIANT, MPHONE_TYPE, BSTR, IDispatch**)
{
    return acceptWhenSignedIn(TAVO_CALL_SITE);
}

// A failed IM start is answered S_OK, a failed call S_FALSE. The type is compared whole: a combination of
// flags is refused. Memory running out before the host is asked answers E_OUTOFMEMORY: the exception
// never reaches COM, and the lock is released on the way out.
HRESULT TavoMessengerAdvanced::StartConversation(CONVERSATION_TYPE type, VARIANT participants, VARIANT,
                                                 VARIANT subject, VARIANT, VARIANT conversationData, VARIANT*)
{
    try {
        vorn::SharedGuard guard(lock);
        TAVO_LOG(1, "starting conversation");
        RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
        if (isVoiceConversation(type)) {
            // Video is started as a voice call.
            TAVO_LOG(1, "starting voice conversation");
            if (FAILED(StartVoiceConversation(valueOf(participants), valueOf(conversationData)))) {
                TAVO_LOG(4, "StartVoiceConversation failed");
                return S_FALSE;
            }
        } else if (type == CONVERSATION_TYPE_IM) {
            TAVO_LOG(1, "starting IM conversation");
            if (FAILED(StartInstantMessageConversation(valueOf(participants), valueOf(subject)))) {
                TAVO_LOG(4, "StartInstantMessageConversation failed");
                return S_OK;
            }
        } else {
            TAVO_LOG(1, "cannot start a Live Meeting session");
            return E_INVALIDARG;
        }
        TAVO_LOG(1, "Completed StartConversation");
        return S_OK;
    } catch (const std::bad_alloc&) {
        TAVO_LOG(4, "out of memory, no conversation started");
        return E_OUTOFMEMORY;
    }
}

// The Messenger object's own chat and call starts: their failures are logged under their own names.
HRESULT TavoMessengerAdvanced::StartInstantMessageConversation(const Variant& participants, const Variant& subject)
{
    vorn::SharedGuard guard(lock);
    return MessengerConversationStarter(TAVO_CALL_SITE, isPhoneMode()).startChat(participants, subject);
}

HRESULT TavoMessengerAdvanced::StartVoiceConversation(const Variant& participants, const Variant& conversationData)
{
    vorn::SharedGuard guard(lock);
    return MessengerConversationStarter(TAVO_CALL_SITE, isPhoneMode()).startCall(participants, conversationData);
}
