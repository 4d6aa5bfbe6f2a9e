#include "IMessenger/TavoMessengerAdvanced.h"

#include "EventWorkers.h"
#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerContact.h"
#include "IMessenger/TavoMessengerContacts.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "IMessenger/TavoMessengerService.h"
#include "IMessenger/TavoMessengerServices.h"
#include "logging/Results.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Utf8.h"

#include <string>
#include <utility>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using ExtensionProviderClient::contactNotFound;

namespace {

// The lock refuses only an upgrade (exclusive while this thread holds it shared, as a call made from inside
// one of this object's own operations would) or when its primitives are unusable.
const char* const lockRefused = "could not take the Messenger lock";
const char* const notAParticipantsArray = "vParticipant is NOT and array of type VT_ARRAY";
const char* const malformedParticipants = "participants are not a one-dimensional array of VARIANT";
const char* const conversationFailed = "failed to start conversation";

// Shorter text cannot be an e-mail address; the host is not asked to add it.
const UINT shortestEmailAddress = 5;
const VARTYPE participantsType = VT_ARRAY | VT_VARIANT;
// The first Outlook whose contact card passes the number to dial in the conversation data.
const unsigned outlookDialingByNumber = 15;

// A text of the primary service that one of the user's getters answers with, and the texts of the
// failures of its own steps.
struct PrimaryServiceText {
    HRESULT(STDMETHODCALLTYPE IMessengerService::*read)(BSTR*);
    const char* notAService;
    const char* readFailed;
};
const char* const notAService = "primaryServiceDispatch->QueryInterface failed";
const PrimaryServiceText signinNameText{&IMessengerService::get_MySigninName, notAService,
                                        "primaryService->get_MySigninName failed"};
const PrimaryServiceText friendlyNameText{&IMessengerService::get_MyFriendlyName,
                                          "Unable to QueryInterface IDispatch for IMessengerService",
                                          "primaryService->get_MyFriendlyName failed"};
const PrimaryServiceText serviceNameText{&IMessengerService::get_ServiceName, notAService,
                                         "primaryService->get_ServiceName failed"};
const PrimaryServiceText serviceIdText{&IMessengerService::get_ServiceId, notAService, "primaryService->get_ServiceID failed"};

// The text read from the services collection's primary service; the log text of the failed step otherwise.
const char* readPrimaryService(TavoMessengerServices* services, const PrimaryServiceText& text, Bstr& value)
{
    if (!services) return "messengerServices is NULL";
    ComPtr<IDispatch> primary;
    if (FAILED(services->get_PrimaryService(primary.out())) || !primary) return "messengerServices->get_PrimaryService failed";
    const ComPtr<IMessengerService> service = primary.as<IMessengerService>();
    if (!service) return text.notAService;
    if (FAILED((service.get()->*text.read)(value.out()))) return text.readFailed;
    return nullptr;
}

std::string utf8Of(BSTR text)
{
    return extensionsutils::toUtf8(text, SysStringLen(text));
}

// The argument by value, or empty when it cannot be copied.
Variant valueOf(const VARIANT& argument)
{
    Variant copy;
    extensionsutils::copyByValue(argument, copy);
    return copy;
}

IUnknown* objectOf(const Variant& value)
{
    if (value.type() == VT_DISPATCH) return value.get()->pdispVal;
    if (value.type() == VT_UNKNOWN) return value.get()->punkVal;
    return nullptr;
}

bool isVoiceConversation(CONVERSATION_TYPE type)
{
    return type == CONVERSATION_TYPE_AUDIO || type == CONVERSATION_TYPE_PHONE || type == CONVERSATION_TYPE_PSTN ||
           type == CONVERSATION_TYPE_VIDEO;
}

// The participants array of a VT_ARRAY | VT_VARIANT argument, and its bounds.
struct ParticipantsArray {
    SAFEARRAY* array = nullptr;
    LONG lower = 0;
    LONG upper = -1;

    // E_POINTER when the argument holds no array, E_INVALIDARG when it is not one dimension of VARIANTs.
    HRESULT read(const Variant& participants)
    {
        array = participants.get()->parray;
        if (!array) return E_POINTER;
        return extensionsutils::vectorBounds(array, VT_VARIANT, lower, upper);
    }
    bool empty() const { return upper < lower; }
    LONGLONG count() const { return static_cast<LONGLONG>(upper) - lower + 1; }
};

} // namespace

TavoMessengerAdvanced::TavoMessengerAdvanced()
    : authenticationInfo(L"<authenticationinfo><protocol>sip_tls</protocol></authenticationinfo>"),
      services(ComObject<TavoMessengerServices>::create()), resolveEnabled(RegistryUtils::isResolveContactEnabled())
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
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) {
        TAVO_LOG(4, lockRefused);
        return;
    }
    const MICComPtr<CTavoMessengerService> primary = services ? services->primaryService() : nullptr;
    if (primary) primary->setShuttingDown();
    // Pending resolutions hold this object through their callbacks: dropping the resolver here is what
    // lets the object go once Office and the factory release it (after the lock, declared first).
    resolver = std::move(contactResolver);
}

bool TavoMessengerAdvanced::isPhoneMode() const
{
    return configuration && configuration->isPhoneMode();
}

// ---- The signed-in user ----

HRESULT TavoMessengerAdvanced::get_MySigninName(BSTR* name)
{
    if (!name) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    Bstr value;
    if (const char* failure = readPrimaryService(services.get(), signinNameText, value)) return TAVO_FAIL(4, failure, E_FAIL);
    return value.copyTo(name);
}

HRESULT TavoMessengerAdvanced::get_MyFriendlyName(BSTR* name)
{
    if (!name) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    Bstr value;
    if (const char* failure = readPrimaryService(services.get(), friendlyNameText, value)) return TAVO_FAIL(4, failure, E_FAIL);
    return value.copyTo(name);
}

HRESULT TavoMessengerAdvanced::get_MyServiceName(BSTR* name)
{
    if (!name) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    Bstr value;
    if (const char* failure = readPrimaryService(services.get(), serviceNameText, value)) return TAVO_FAIL(4, failure, E_FAIL);
    return value.copyTo(name);
}

HRESULT TavoMessengerAdvanced::get_MyServiceId(BSTR* serviceId)
{
    if (!serviceId) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    Bstr value;
    if (const char* failure = readPrimaryService(services.get(), serviceIdText, value)) return TAVO_FAIL(4, failure, E_FAIL);
    return value.copyTo(serviceId);
}

// A signed-in user whose own presence cannot be read is reported Offline, not Unknown.
HRESULT TavoMessengerAdvanced::get_MyStatus(MISTATUS* status)
{
    using Broker = TavoMessengerExtensionBroker;
    if (!status) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "could not create a IIMAndPresence object", Broker::answerStatus(status, MISTATUS_OFFLINE));
    // Through the interface, as Office would ask: the nested shared hold of the lock passes a queued writer.
    Bstr signinName;
    if (FAILED(get_MySigninName(signinName.out())))
        return TAVO_FAIL(4, "this->get_MySigninName failed", Broker::answerStatus(status, MISTATUS_OFFLINE));
    const Broker::PresenceRead failure = Broker::readStatus(imAndPresence.get(), signinName.get(), *status);
    if (failure == Broker::PresenceRead::askFailed)
        return TAVO_FAIL(4, "imAndPresence->GetPresenceForContact failed", Broker::answerStatus(status, MISTATUS_OFFLINE));
    if (failure != Broker::PresenceRead::read)
        return TAVO_FAIL(4, "pDispPresenceState->QueryInterface<IPresenceState> failed", Broker::answerStatus(status, MISTATUS_OFFLINE));
    return S_OK;
}

// The module never changes the user's status: the host client owns it.
HRESULT TavoMessengerAdvanced::put_MyStatus(MISTATUS)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

// A number the host cannot tell is answered S_OK with nothing written; only an unknown type is an error.
HRESULT TavoMessengerAdvanced::get_MyPhoneNumber(MPHONE_TYPE type, BSTR* number)
{
    if (!number) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) return TAVO_FAIL(4, "providerManagement is NULL", S_OK);
    ComPtr<IDispatch> user;
    if (FAILED(providerManagement->GetLoggedInUser(user.out()))) return TAVO_FAIL(4, "providermanagement->GetLoggedInUser failed", S_OK);
    ComPtr<IContact> contact = user.as<IContact>();
    if (!contact) return TAVO_FAIL(4, "pDispContact->QueryInterface IID_IContact failed", S_OK);
    if (type == MPHONE_TYPE_ALL) return TAVO_FAIL(4, "unknown type ALL, cannot return a number", E_FAIL);
    const TavoMessengerExtensionBroker::PhoneNumberField* field = TavoMessengerExtensionBroker::phoneNumberField(type);
    if (!field) return TAVO_FAIL(4, "unknown type, cannot return a number", E_FAIL);
    Bstr value;
    if (FAILED((contact.get()->*field->read)(value.out())))
        return TAVO_FAIL(4, "pContact->" << field->readName << " " << field->typeName << " failed", S_OK);
    return value.copyTo(number);
}

HRESULT TavoMessengerAdvanced::get_Services(IDispatch** result)
{
    if (!result) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    if (!services) return TAVO_FAIL(4, "messengerServices is NULL", E_FAIL);
    ComPtr<IDispatch> dispatch = services.as<IDispatch>();
    if (!dispatch) return TAVO_FAIL(4, "Unable to QueryInterface TavoMessengerServices for IDispatch", E_FAIL);
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

// Signed out is only logged: the answer is S_OK either way.
HRESULT TavoMessengerAdvanced::Signin(LONG, BSTR, BSTR)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(2, notloggedin::signin, S_OK);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::Signout()
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(2, notloggedin::signout, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::AutoSignin()
{
    return S_OK;
}

// ---- Property maps: kept in memory only; nothing reaches the host ----

HRESULT TavoMessengerAdvanced::get_MyProperty(MCONTACTPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return copyStored(myProperties, key, value);
}

HRESULT TavoMessengerAdvanced::put_MyProperty(MCONTACTPROPERTY key, VARIANT value)
try {
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return storeProperty(myProperties, key, value);
}
TAVO_CATCH_RETURN

HRESULT TavoMessengerAdvanced::get_Property(MMESSENGERPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return copyStored(messengerProperties, key, value);
}

HRESULT TavoMessengerAdvanced::put_Property(MMESSENGERPROPERTY key, VARIANT value)
try {
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return storeProperty(messengerProperties, key, value);
}
TAVO_CATCH_RETURN

// ---- Members the module does not support: Office carries on with S_OK, out-parameters unwritten ----

HRESULT TavoMessengerAdvanced::get_Window(IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::ViewProfile(VARIANT)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::get_ReceiveFileDirectory(BSTR*)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::StartVoice(VARIANT, IDispatch**)
{
    return E_NOTIMPL;
}

HRESULT TavoMessengerAdvanced::InviteApp(VARIANT, BSTR, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::SendMail(VARIANT)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::OpenInbox()
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::SendFile(VARIANT, BSTR, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::OptionsPages(LONG, MOPTIONPAGE)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::MediaWizard(LONG)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::Page(VARIANT, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::get_UnreadEmailCount(MUAFOLDER, LONG*)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::get_ContactsSortOrder(MUASORT* order)
{
    if (!order) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    *order = MUASORT_GROUPS;
    return S_OK;
}

HRESULT TavoMessengerAdvanced::put_ContactsSortOrder(MUASORT)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::StartVideo(VARIANT, IDispatch**)
{
    return E_NOTIMPL;
}

HRESULT TavoMessengerAdvanced::get_MyGroups(IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::CreateGroup(BSTR, VARIANT, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

// ---- Contact lookup: nothing is cached, every answer is a new object ----

// Office always receives a contact for a well-formed name while the user is signed in, even for a name
// the host does not know: such a contact is not watched, and asks the host for its status on each call.
HRESULT TavoMessengerAdvanced::GetContact(BSTR signinName, BSTR, IDispatch** result)
{
    if (!result) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (SysStringLen(signinName) == 0) return E_FAIL;
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::getContact, contactNotFound);
    TAVO_LOG(2, "got a request for contact - " << utf8Of(signinName));
    ComPtr<IContact> hostContact;
    MICComPtr<TavoMessengerContact> contact;
    if (SUCCEEDED(ExtensionProviderClient::getContact(signinName, hostContact)) && hostContact) {
        contact = TavoMessengerExtensionBroker::CreateMessengerContact(hostContact.get(), configuration, hostObjectHolds);
    } else {
        TAVO_LOG(1, "ExtensionProvider returned NULL contact.");
        contact = ComObject<TavoMessengerContact>::create();
        if (contact) contact->initialise(Bstr(L""), Bstr(signinName, SysStringLen(signinName)), configuration, hostObjectHolds);
    }
    if (!contact) return TAVO_FAIL(4, "Unable to create instance of messenger contact, returning not found", contactNotFound);
    const char* notWatched = hostContact ? TavoMessengerExtensionBroker::startWatching(hostContact.get()) : nullptr;
    if (notWatched) TAVO_LOG(4, notWatched);
    return contact.copyTo(result);
}

HRESULT TavoMessengerAdvanced::get_MyContacts(IDispatch** result)
{
    if (!result) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_LOG(1, "get_MyContacts");
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "pClassFactory CreateInstance IID_IIMAndPresence failed", E_FAIL);
    ComPtr<IDispatch> hostContacts;
    if (FAILED(imAndPresence->GetContacts(hostContacts.out()))) return TAVO_FAIL(4, "pIMAndPresence->GetContacts failed", E_FAIL);
    if (!hostContacts) return S_OK;
    MICComPtr<CTavoMessengerContacts> contacts = ComObject<CTavoMessengerContacts>::create();
    if (!contacts) return TAVO_FAIL(4, "Unable to create instance of TavoMessengerContacts", E_FAIL);
    contacts->initialise(hostContacts.get(), configuration, hostObjectHolds);
    contacts.copyTo(result);
    return S_OK;
}

// The host is not asked for anything: the module offers no contact search.
HRESULT TavoMessengerAdvanced::FindContact(LONG, BSTR, BSTR, VARIANT, VARIANT, VARIANT)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

// Office is told S_OK whatever happens, and no event follows.
HRESULT TavoMessengerAdvanced::AddContact(LONG, BSTR emailAddress)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, S_OK);
    TAVO_LOG(2, "got a request to add contact - " << utf8Of(emailAddress));
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "pIMAndPresence is NULL", S_OK);
    if (SysStringLen(emailAddress) < shortestEmailAddress)
        return TAVO_FAIL(1, "email address string is less than 5 chars - cannot add", S_OK);
    if (FAILED(imAndPresence->AddContact(emailAddress))) TAVO_LOG(4, "pIMAndPresence->AddContact failed");
    return S_OK;
}

// The IM address reaches Office only as OnContactResolved, never through the out-parameter; a resolution
// that finds nobody sends nothing.
HRESULT TavoMessengerAdvanced::ResolveContact(ADDRESS_TYPE addressType, CONTACT_RESOLUTION_TYPE resolutionType,
                                              BSTR address, BSTR*)
try {
    // Destroyed last: an answer the host gives at once reaches Office only after this call has returned.
    ContactResolver::Hold answersAfterReturn;
    // Taken before the Messenger lock: uninitialise takes the integration lock first and this lock second.
    MessengerEventsFiring* events = getMessengerEvents();
    ComPtr<MessengerEventSource> messenger(this);
    vorn::SharedGuard guard(lock);
    TAVO_LOG(1, "Resolving contact - " << utf8Of(address) << " Address type: " << addressType
                                       << " Resolution type: " << resolutionType);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    if (SysStringLen(address) == 0) return TAVO_FAIL(3, "no address to resolve", E_INVALIDARG);
    if (!resolveEnabled || !contactResolver) return S_OK;
    auto resolved = [messenger, events](const Bstr& email, const Bstr& imAddress) {
        ExtensionProviderEventWorkers::contactResolved(messenger, events, email, imAddress);
    };
    return contactResolver->resolveContact(address, resolved, &answersAfterReturn);
}
TAVO_CATCH_RETURN

// ---- Conversations: the host client opens its own windows; no window out-parameter is ever written ----

// Phone mode does not matter here: Office asked for a chat with this one person.
HRESULT TavoMessengerAdvanced::InstantMessage(VARIANT contact, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    const Variant person = valueOf(contact);
    IUnknown* object = objectOf(person);
    if (person.type() != VT_BSTR && !object)
        return TAVO_FAIL(3, "contact is neither a sign-in name nor a contact object", E_INVALIDARG);
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "CoCreateInstance CLSID_IMAndPresence failed", E_FAIL);
    Bstr signinName;
    if (person.type() == VT_BSTR) {
        signinName = Bstr(person.get()->bstrVal, SysStringLen(person.get()->bstrVal));
    } else {
        const ComPtr<IMessengerContact> messengerContact = ComPtr<IUnknown>(object).as<IMessengerContact>();
        if (!messengerContact) return TAVO_FAIL(4, "Unable to QueryInterface IDispatch for IMessengerContact", E_FAIL);
        if (FAILED(messengerContact->get_SigninName(signinName.out())))
            return TAVO_FAIL(4, "Unable to get SigninName from contact", E_FAIL);
    }
    if (FAILED(imAndPresence->StartInstantMessage(signinName.get()))) return TAVO_FAIL(4, "StartInstantMessage failed", E_FAIL);
    return S_OK;
}

HRESULT TavoMessengerAdvanced::Phone(VARIANT, MPHONE_TYPE, BSTR, IDispatch**)
{
    vorn::SharedGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
}

// A failed IM start is answered S_OK, a failed call S_FALSE. The type is compared whole: a combination of
// flags is refused.
HRESULT TavoMessengerAdvanced::StartConversation(CONVERSATION_TYPE type, VARIANT participants, VARIANT,
                                                 VARIANT subject, VARIANT, VARIANT conversationData, VARIANT*)
try {
    vorn::SharedGuard guard(lock);
    TAVO_LOG(1, "starting conversation");
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::messenger, MSGR_E_NOT_LOGGED_ON);
    if (isVoiceConversation(type)) {
        // Video is started as a voice call.
        TAVO_LOG(1, "starting voice conversation");
        if (FAILED(StartVoiceConversation(valueOf(participants), valueOf(conversationData))))
            return TAVO_FAIL(4, "StartVoiceConversation failed", S_FALSE);
    } else if (type == CONVERSATION_TYPE_IM) {
        TAVO_LOG(1, "starting IM conversation");
        if (FAILED(StartInstantMessageConversation(valueOf(participants), valueOf(subject))))
            return TAVO_FAIL(4, "StartInstantMessageConversation failed", S_OK);
    } else {
        return TAVO_FAIL(1, "cannot start a Live Meeting session", E_INVALIDARG);
    }
    TAVO_LOG(1, "Completed StartConversation");
    return S_OK;
}
TAVO_CATCH_RETURN

// Nothing is started in phone mode.
HRESULT TavoMessengerAdvanced::StartInstantMessageConversation(const Variant& participants, const Variant& subject)
{
    if (isPhoneMode()) return S_OK;
    if (participants.type() != participantsType) return TAVO_FAIL(4, notAParticipantsArray, E_FAIL);
    ParticipantsArray list;
    const HRESULT shape = list.read(participants);
    if (shape == E_INVALIDARG) return TAVO_FAIL(3, malformedParticipants, E_INVALIDARG);
    if (FAILED(shape) || list.empty()) return TAVO_FAIL(4, "Participants array is empty", E_FAIL);
    const BSTR subjectText = subject.type() == VT_BSTR ? subject.get()->bstrVal : nullptr;
    const SafeArray names = removeVariantWrapping(list.array);
    if (!names || FAILED(ExtensionProviderClient::startChat(names.get(), subjectText)))
        return TAVO_FAIL(4, conversationFailed, E_FAIL);
    return S_OK;
}

// A number in the conversation data is dialled as it is when at most two participants are named; an
// empty first participant means the contact card offers only a number, which Outlook 2013 and later
// pass in the conversation data.
HRESULT TavoMessengerAdvanced::StartVoiceConversation(const Variant& participants, const Variant& conversationData)
{
    if (participants.type() != participantsType) return TAVO_FAIL(4, notAParticipantsArray, E_FAIL);
    ComPtr<IPhone> phone = hostaccess::GetPhone();
    if (!phone) return TAVO_FAIL(4, "phone is NULL", E_FAIL);
    ParticipantsArray list;
    const HRESULT shape = list.read(participants);
    if (shape == E_POINTER) return TAVO_FAIL(4, "No participants, unable to start call", E_FAIL);
    if (FAILED(shape)) return TAVO_FAIL(3, malformedParticipants, E_INVALIDARG);
    if (list.empty()) return TAVO_FAIL(4, "ParticipantsArray is empty", E_FAIL);
    // The first element is the one at the lower bound, whatever that bound is.
    Variant first;
    if (FAILED(SafeArrayGetElement(list.array, &list.lower, first.out()))) return TAVO_FAIL(4, conversationFailed, E_FAIL);
    if (first.isEmpty() && RegistryUtils::officeVersionFromCurVer() < outlookDialingByNumber)
        return TAVO_FAIL(4, "contacts array is empty cannot start a call!", E_FAIL);
    const bool numberGiven = conversationData.type() == VT_BSTR;
    HRESULT hr = E_FAIL; // an empty first participant and no number to dial
    if (numberGiven && (first.isEmpty() || list.count() <= 2)) {
        hr = phone->MakeCall(conversationData.get()->bstrVal);
    } else if (!first.isEmpty()) {
        const SafeArray names = removeVariantWrapping(list.array);
        hr = names ? ExtensionProviderClient::startCall(names.get()) : E_OUTOFMEMORY;
    }
    if (FAILED(hr)) return TAVO_FAIL(4, conversationFailed, E_FAIL);
    return S_OK;
}

SafeArray TavoMessengerAdvanced::removeVariantWrapping(SAFEARRAY* participants)
{
    std::vector<Variant> elements;
    if (FAILED(extensionsutils::readVariants(participants, elements))) return SafeArray();
    std::vector<std::wstring> names;
    for (const Variant& element : elements) {
        if (element.type() != VT_BSTR) {
            TAVO_LOG(4, "Array member variant is not BSTR");
            continue;
        }
        const BSTR name = element.get()->bstrVal;
        names.emplace_back(name ? name : L"", SysStringLen(name));
    }
    return SafeArray::ofStrings(names);
}
