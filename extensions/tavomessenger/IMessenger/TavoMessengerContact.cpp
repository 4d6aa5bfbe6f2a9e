#include "IMessenger/TavoMessengerContact.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/MessengerResults.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "logging/Logging.h"

#include <new>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

const char* const notLoggedIn = "not logged in returning MSGR_E_NOT_LOGGED_ON";

HRESULT answerBool(bool value, VARIANT_BOOL* result)
{
    *result = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT keepBool(VARIANT_BOOL value, bool& field)
{
    field = value == VARIANT_TRUE;
    return S_OK;
}

} // namespace

template <class Answer>
HRESULT TavoMessengerContact::whenSignedIn(const logging::CallSite& caller, Answer answer)
{
    vorn::MutexGuard guard(lock);
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    return answer();
}

TavoMessengerContact::TavoMessengerContact()
    : serviceIdentifier(TavoMessengerExtensionBroker::ServiceId),
      presenceSource(std::make_shared<HeldHostObject<IIMAndPresence>>(hostaccess::GetIMAndPresence()))
{
    TAVO_LOG(1, "Constructor called " << static_cast<const void*>(this));
}

TavoMessengerContact::~TavoMessengerContact()
{
    TAVO_LOG(1, "destructor called for - " << signinName.toUtf8());
}

void TavoMessengerContact::initialise(const Bstr& friendly, const Bstr& signin, std::shared_ptr<Configuration> config,
                                      const std::shared_ptr<HostObjectHolds>& holds)
{
    HostObjectHolds::keep(holds, presenceSource);
    vorn::MutexGuard guard(lock);
    friendlyName = friendly;
    signinName = signin;
    serviceName = signin;
    configuration = std::move(config);
}

void TavoMessengerContact::SetPhoneNumber(MPHONE_TYPE type, BSTR number)
{
    vorn::MutexGuard guard(lock);
    storePhoneNumber(type, number);
}

void TavoMessengerContact::SetIsSelf(VARIANT_BOOL self)
{
    vorn::MutexGuard guard(lock);
    isSelf = self == VARIANT_TRUE;
}

HRESULT TavoMessengerContact::get_FriendlyName(BSTR* result)
{
    if (!result) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return friendlyName.copyTo(result); });
}

HRESULT TavoMessengerContact::get_Status(MISTATUS* status)
{
    if (!status) return E_POINTER;
    vorn::MutexGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    const logging::CallSite here = TAVO_CALL_SITE;
    const char* const askFailed = "pIMAndPresence->GetPresenceForContact failed returning MISTATUS_UNKNOWN";
    const char* const notPresenceState = "pDispPresenceState->QueryInterface<IPresenceState> failed";
    const TavoMessengerExtensionBroker::PresenceReadTexts texts{askFailed, notPresenceState, notPresenceState,
                                                              notPresenceState};
    const char* failure = nullptr;
    const bool asked = presenceSource->use([&](IIMAndPresence* source) {
        TAVO_LOG_AT(here, 0, "got a request for contact - " << signinName.toUtf8());
        failure = TavoMessengerExtensionBroker::readStatus(source, signinName.get(), texts, *status);
    });
    if (!asked) {
        TAVO_LOG(4, "could not create a IIMAndPresence object");
        *status = fallbackStatus;
        return S_OK;
    }
    if (failure) {
        TAVO_LOG(4, failure);
        *status = failure == askFailed ? MISTATUS_UNKNOWN : fallbackStatus;
    }
    return S_OK;
}

HRESULT TavoMessengerContact::get_SigninName(BSTR* result)
{
    if (!result) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return signinName.copyTo(result); });
}

HRESULT TavoMessengerContact::get_ServiceName(BSTR* result)
{
    if (!result) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return serviceName.copyTo(result); });
}

HRESULT TavoMessengerContact::get_Blocked(VARIANT_BOOL* isBlocked)
{
    if (!isBlocked) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return answerBool(blocked, isBlocked); });
}

HRESULT TavoMessengerContact::put_Blocked(VARIANT_BOOL isBlocked)
{
    // Kept for Office only: blocking is the host client's business.
    return whenSignedIn(TAVO_CALL_SITE, [&] { return keepBool(isBlocked, blocked); });
}

HRESULT TavoMessengerContact::get_CanPage(VARIANT_BOOL* isPageable)
{
    if (!isPageable) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return answerBool(canPage, isPageable); });
}

HRESULT TavoMessengerContact::get_PhoneNumber(MPHONE_TYPE type, BSTR* number)
{
    if (!number) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return copyStored(phoneNumbers, type, number); });
}

HRESULT TavoMessengerContact::get_IsSelf(VARIANT_BOOL* self)
{
    if (!self) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return answerBool(isSelf, self); });
}

HRESULT TavoMessengerContact::get_Property(MCONTACTPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return copyStored(properties, key, value); });
}

HRESULT TavoMessengerContact::put_Property(MCONTACTPROPERTY key, VARIANT value)
{
    return whenSignedIn(TAVO_CALL_SITE, [&] { return storeProperty(properties, key, value); });
}

HRESULT TavoMessengerContact::get_ServiceId(BSTR* result)
{
    if (!result) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return serviceIdentifier.copyTo(result); });
}

HRESULT TavoMessengerContact::get_IsTagged(VARIANT_BOOL* tagged)
{
    if (!tagged) return E_POINTER;
    return whenSignedIn(TAVO_CALL_SITE, [&] { return answerBool(isTagged, tagged); });
}

HRESULT TavoMessengerContact::put_IsTagged(VARIANT_BOOL tagged)
{
    return whenSignedIn(TAVO_CALL_SITE, [&] { return keepBool(tagged, isTagged); });
}

HRESULT TavoMessengerContact::get_PresenceProperties(VARIANT* presenceProperties)
{
    if (!presenceProperties) return E_POINTER;
    TAVO_LOG(1, "Presence properties requested");
    vorn::MutexGuard guard(lock);
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    const logging::CallSite here = TAVO_CALL_SITE;
    Variant result;
    if (!presenceSource->use([&](IIMAndPresence* source) { result = presenceFromHost(here, source); })) {
        TAVO_LOG(4, "Could not get IIMAndPresence object");
        return E_FAIL;
    }
    if (result.isEmpty()) return E_OUTOFMEMORY;
    VariantClear(presenceProperties);
    return result.detach(presenceProperties);
}

// Every host object it asks for is released before it returns, while the presence source is still in use.
Variant TavoMessengerContact::presenceFromHost(const logging::CallSite& caller, IIMAndPresence* source)
{
    TAVO_LOG_AT(caller, 0, "got a request for presence for - " << signinName.toUtf8());
    ComPtr<IDispatch> hostContactDispatch;
    ComPtr<IContact> hostContact;
    if (signinName.empty()) {
        TAVO_LOG_AT(caller, 4, "SigninName length < 1, returning UNKNOWN");
        return TavoMessengerExtensionBroker::GetUnknownPresenceState();
    }
    if (FAILED(source->GetContact(signinName.get(), hostContactDispatch.out())) || !hostContactDispatch) {
        TAVO_LOG_AT(caller, 4, "GetContact failed");
        return TavoMessengerExtensionBroker::GetUnknownPresenceState();
    }
    if (!(hostContact = hostContactDispatch.as<IContact>())) {
        TAVO_LOG_AT(caller, 4, "Unable to QueryInterface IDispatch for IContact");
        return TavoMessengerExtensionBroker::GetUnknownPresenceState();
    }
    Variant result;
    if (configuration && configuration->isPhoneMode()) {
        result = TavoMessengerExtensionBroker::GetPhoneModePresenceState();
    } else {
        ComPtr<IDispatch> presenceState;
        if (FAILED(hostContact->RequestPresenceState(presenceState.out())) || !presenceState) {
            TAVO_LOG_AT(caller, 4, "get_PresenceProperties failed");
            result = TavoMessengerExtensionBroker::GetUnknownPresenceState();
        } else {
            result = TavoMessengerExtensionBroker::GetPresenceState(presenceState.get());
        }
    }
    refreshPhoneNumbers(hostContact.get());
    return result;
}

HRESULT TavoMessengerContact::put_PresenceProperties(VARIANT)
{
    // Presence is the host client's; Office cannot set it.
    return whenSignedIn(TAVO_CALL_SITE, [&] { return S_OK; });
}

void TavoMessengerContact::refreshPhoneNumbers(IContact* hostContact)
{
    // A number the host cannot read counts as no number.
    for (const TavoMessengerExtensionBroker::PhoneNumberField& field : TavoMessengerExtensionBroker::PhoneNumberFields) {
        Bstr number;
        if (SUCCEEDED((hostContact->*field.read)(number.out()))) storePhoneNumber(field.type, number.get());
    }
}

void TavoMessengerContact::storePhoneNumber(MPHONE_TYPE type, BSTR number)
{
    const UINT length = SysStringLen(number);
    if (length == 0) return;
    try {
        phoneNumbers[type] = Bstr(number, length);
    } catch (const std::bad_alloc&) {
        // The number stays as it was: a contact without it is still a contact.
    }
}
