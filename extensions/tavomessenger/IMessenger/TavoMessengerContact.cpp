#include "IMessenger/TavoMessengerContact.h"

#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "logging/Results.h"

#include <new>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

HRESULT answerBool(bool value, VARIANT_BOOL* result)
{
    *result = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

} // namespace

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
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return friendlyName.copyTo(result);
}

// A contact the host cannot report presence for is Unknown; without a presence source it is Offline.
HRESULT TavoMessengerContact::get_Status(MISTATUS* status)
{
    using Broker = TavoMessengerExtensionBroker;
    if (!status) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    // A lambda is not named as its member on every compiler: its line is logged at the member's site.
    const logging::CallSite here = TAVO_CALL_SITE;
    Broker::PresenceRead failure = Broker::PresenceRead::read;
    const bool asked = presenceSource->use([&](IIMAndPresence* source) {
        TAVO_LOG_AT(here, 0, "got a request for contact - " << signinName.toUtf8());
        failure = Broker::readStatus(source, signinName.get(), *status);
    });
    if (!asked) return TAVO_FAIL(4, "could not create a IIMAndPresence object", Broker::answerStatus(status, fallbackStatus));
    if (failure == Broker::PresenceRead::askFailed) {
        return TAVO_FAIL(4, "pIMAndPresence->GetPresenceForContact failed returning MISTATUS_UNKNOWN",
                         Broker::answerStatus(status, MISTATUS_UNKNOWN));
    }
    if (failure != Broker::PresenceRead::read)
        return TAVO_FAIL(4, "pDispPresenceState->QueryInterface<IPresenceState> failed", Broker::answerStatus(status, fallbackStatus));
    return S_OK;
}

HRESULT TavoMessengerContact::get_SigninName(BSTR* result)
{
    if (!result) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return signinName.copyTo(result);
}

HRESULT TavoMessengerContact::get_ServiceName(BSTR* result)
{
    if (!result) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return serviceName.copyTo(result);
}

HRESULT TavoMessengerContact::get_Blocked(VARIANT_BOOL* isBlocked)
{
    if (!isBlocked) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return answerBool(blocked, isBlocked);
}

// Kept for Office only: blocking is the host client's business.
HRESULT TavoMessengerContact::put_Blocked(VARIANT_BOOL isBlocked)
{
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    blocked = isBlocked == VARIANT_TRUE;
    return S_OK;
}

HRESULT TavoMessengerContact::get_CanPage(VARIANT_BOOL* isPageable)
{
    if (!isPageable) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return answerBool(canPage, isPageable);
}

HRESULT TavoMessengerContact::get_PhoneNumber(MPHONE_TYPE type, BSTR* number)
{
    if (!number) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return copyStored(phoneNumbers, type, number);
}

HRESULT TavoMessengerContact::get_IsSelf(VARIANT_BOOL* self)
{
    if (!self) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return answerBool(isSelf, self);
}

HRESULT TavoMessengerContact::get_Property(MCONTACTPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return copyStored(properties, key, value);
}

HRESULT TavoMessengerContact::put_Property(MCONTACTPROPERTY key, VARIANT value)
try {
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return storeProperty(properties, key, value);
}
TAVO_CATCH_RETURN

HRESULT TavoMessengerContact::get_ServiceId(BSTR* result)
{
    if (!result) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return serviceIdentifier.copyTo(result);
}

HRESULT TavoMessengerContact::get_IsTagged(VARIANT_BOOL* tagged)
{
    if (!tagged) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return answerBool(isTagged, tagged);
}

HRESULT TavoMessengerContact::put_IsTagged(VARIANT_BOOL tagged)
{
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    isTagged = tagged == VARIANT_TRUE;
    return S_OK;
}

HRESULT TavoMessengerContact::get_PresenceProperties(VARIANT* presenceProperties)
{
    if (!presenceProperties) return E_POINTER;
    TAVO_LOG(1, "Presence properties requested");
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    // A lambda is not named as its member on every compiler: its line is logged at the member's site.
    const logging::CallSite here = TAVO_CALL_SITE;
    Variant properties;
    const char* failure = nullptr;
    const bool asked = presenceSource->use([&](IIMAndPresence* source) {
        TAVO_LOG_AT(here, 0, "got a request for presence for - " << signinName.toUtf8());
        failure = presenceFromHost(source, properties);
    });
    if (!asked) return TAVO_FAIL(4, "Could not get IIMAndPresence object", E_FAIL);
    if (failure) {
        TAVO_LOG(4, failure);
        properties = TavoMessengerExtensionBroker::GetUnknownPresenceState();
    }
    if (properties.isEmpty()) return E_OUTOFMEMORY;
    VariantClear(presenceProperties);
    return properties.detach(presenceProperties);
}

const char* TavoMessengerContact::presenceFromHost(IIMAndPresence* source, Variant& properties)
{
    if (signinName.empty()) return "SigninName length < 1, returning UNKNOWN";
    ComPtr<IDispatch> hostContactDispatch;
    if (FAILED(source->GetContact(signinName.get(), hostContactDispatch.out())) || !hostContactDispatch) return "GetContact failed";
    const ComPtr<IContact> hostContact = hostContactDispatch.as<IContact>();
    if (!hostContact) return "Unable to QueryInterface IDispatch for IContact";
    const char* failure = nullptr;
    ComPtr<IDispatch> presenceState;
    if (configuration && configuration->isPhoneMode()) {
        properties = TavoMessengerExtensionBroker::GetPhoneModePresenceState();
    } else if (FAILED(hostContact->RequestPresenceState(presenceState.out())) || !presenceState) {
        failure = "get_PresenceProperties failed";
    } else {
        properties = TavoMessengerExtensionBroker::GetPresenceState(presenceState.get());
    }
    refreshPhoneNumbers(hostContact.get());
    return failure;
}

// Presence is the host client's; Office cannot set it.
HRESULT TavoMessengerContact::put_PresenceProperties(VARIANT)
{
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return S_OK;
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
