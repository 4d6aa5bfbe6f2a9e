#include "IMessenger/TavoMessengerService.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/MessengerResults.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "logging/Logging.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <optional>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

const char* const notLoggedIn = "not logged in returning MSGR_E_NOT_LOGGED_ON";

// The read-write lock refuses only an upgrade (exclusive while the same thread holds it shared) or when
// its own primitives are unusable; either way the operation cannot run safely.
HRESULT lockRefused()
{
    TAVO_LOG(4, "could not take the service lock");
    return E_UNEXPECTED;
}

} // namespace

CTavoMessengerService::CTavoMessengerService()
    : serviceIdentifier(TavoMessengerExtensionBroker::ServiceId), serviceName(TavoMessengerExtensionBroker::ServiceName)
{
}

CTavoMessengerService::~CTavoMessengerService()
{
    TAVO_LOG(1, "destructing TavoMessengerService");
}

std::optional<HRESULT> CTavoMessengerService::answerWithoutHost(const vorn::SharedGuard& guard,
                                                                const logging::CallSite& caller) const
{
    if (!guard.owns()) return lockRefused();
    if (!messengerapi::signedIn(caller, 1, notLoggedIn)) return MSGR_E_NOT_LOGGED_ON;
    if (!shuttingDown) return std::nullopt;
    TAVO_LOG_AT(caller, 1, "shutdown in progress");
    return S_OK;
}

void CTavoMessengerService::setShuttingDown()
{
    vorn::ExclusiveGuard guard(lock);
    shuttingDown = true;
}

HRESULT CTavoMessengerService::get_ServiceName(BSTR* name)
{
    if (!name) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return lockRefused();
    RETURN_IF_SIGNED_OUT(1, "Not logged in returning MSGR_E_NOT_LOGGED_ON", MSGR_E_NOT_LOGGED_ON);
    return serviceName.copyTo(name);
}

HRESULT CTavoMessengerService::get_ServiceId(BSTR* identifier)
{
    if (!identifier) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return lockRefused();
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    return serviceIdentifier.copyTo(identifier);
}

HRESULT CTavoMessengerService::get_MyFriendlyName(BSTR* name)
{
    if (!name) return E_POINTER;
    TAVO_LOG(1, "getting friendly name");
    vorn::SharedGuard guard(lock);
    if (const std::optional<HRESULT> answer = answerWithoutHost(guard, TAVO_CALL_SITE)) return *answer;
    const ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) {
        TAVO_LOG(4, "could not create ProviderManagement returning NULL");
        return E_FAIL;
    }
    ComPtr<IDispatch> loggedOnUser;
    if (FAILED(providerManagement->GetLoggedInUser(loggedOnUser.out())) || !loggedOnUser) {
        TAVO_LOG(4, "call to GetLoggedInUser failed returning NULL");
        return E_FAIL;
    }
    const ComPtr<IContact> user = loggedOnUser.as<IContact>();
    if (!user) {
        TAVO_LOG(4, "call pdispLoggedOnUser->QueryInterface failed returning NULL");
        return E_FAIL;
    }
    Bstr friendlyName;
    if (FAILED(user->get_FriendlyName(friendlyName.out()))) friendlyName.reset();
    TAVO_LOG(1, "got friendly name - " << friendlyName.toUtf8());
    return friendlyName.copyTo(name);
}

HRESULT CTavoMessengerService::get_MyStatus(MISTATUS* status)
{
    if (!status) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (const std::optional<HRESULT> answer = answerWithoutHost(guard, TAVO_CALL_SITE)) return *answer;
    const ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        TAVO_LOG(4, "could not create a IIMAndPresence object");
        return E_FAIL;
    }
    Bstr signinName;
    if (FAILED(static_cast<IMessengerService*>(this)->get_MySigninName(signinName.out()))) {
        TAVO_LOG(4, "get_MySigninName failed");
        return E_FAIL;
    }
    TAVO_LOG(1, "got a request for presence for - " << signinName.toUtf8());
    const TavoMessengerExtensionBroker::PresenceReadTexts texts{
        "pIMAndPresence->GetPresenceForContact failed ", "pDispPresenceState- is NULL",
        "pDispPresenceState->QueryInterface<IPresenceState> failed", "pPresenceState- is NULL"};
    if (const char* failure =
            TavoMessengerExtensionBroker::readStatus(imAndPresence.get(), signinName.get(), texts, *status)) {
        TAVO_LOG(4, failure);
        *status = MISTATUS_OFFLINE;
    }
    return S_OK;
}

HRESULT CTavoMessengerService::get_MySigninName(BSTR* name)
{
    if (!name) return E_POINTER;
    TAVO_LOG(1, "getting signin name");
    vorn::SharedGuard guard(lock);
    if (const std::optional<HRESULT> answer = answerWithoutHost(guard, TAVO_CALL_SITE)) return *answer;
    Bstr jid;
    const HRESULT hr = ExtensionProviderClient::getClientUserJid(jid);
    if (FAILED(hr)) return hr;
    *name = jid.detach();
    return hr;
}

HRESULT CTavoMessengerService::get_Property(MSERVICEPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return lockRefused();
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    return copyStored(properties, key, value);
}

HRESULT CTavoMessengerService::put_Property(MSERVICEPROPERTY key, VARIANT value)
{
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return lockRefused();
    RETURN_IF_SIGNED_OUT(1, notLoggedIn, MSGR_E_NOT_LOGGED_ON);
    return storeProperty(properties, key, value);
}
