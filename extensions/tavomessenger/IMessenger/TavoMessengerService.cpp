#include "IMessenger/TavoMessengerService.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/PropertyMap.h"
#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "logging/Results.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace {

// The read-write lock refuses only an upgrade (exclusive while the same thread holds it shared) or when
// its own primitives are unusable; either way the operation cannot run safely.
const char* const lockRefused = "could not take the service lock";
const char* const shutdownInProgress = "shutdown in progress";

} // namespace

CTavoMessengerService::CTavoMessengerService()
    : serviceIdentifier(TavoMessengerExtensionBroker::ServiceId), serviceName(TavoMessengerExtensionBroker::ServiceName)
{
}

CTavoMessengerService::~CTavoMessengerService()
{
    TAVO_LOG(1, "destructing TavoMessengerService");
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
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::serviceName, MSGR_E_NOT_LOGGED_ON);
    return serviceName.copyTo(name);
}

HRESULT CTavoMessengerService::get_ServiceId(BSTR* identifier)
{
    if (!identifier) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return serviceIdentifier.copyTo(identifier);
}

// An unreadable friendly name is answered as an empty one.
HRESULT CTavoMessengerService::get_MyFriendlyName(BSTR* name)
{
    if (!name) return E_POINTER;
    TAVO_LOG(1, "getting friendly name");
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    if (shuttingDown) return TAVO_FAIL(1, shutdownInProgress, S_OK);
    const ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) return TAVO_FAIL(4, "could not create ProviderManagement returning NULL", E_FAIL);
    ComPtr<IDispatch> loggedOnUser;
    if (FAILED(providerManagement->GetLoggedInUser(loggedOnUser.out())) || !loggedOnUser)
        return TAVO_FAIL(4, "call to GetLoggedInUser failed returning NULL", E_FAIL);
    const ComPtr<IContact> user = loggedOnUser.as<IContact>();
    if (!user) return TAVO_FAIL(4, "call pdispLoggedOnUser->QueryInterface failed returning NULL", E_FAIL);
    Bstr friendlyName;
    if (FAILED(user->get_FriendlyName(friendlyName.out()))) friendlyName.reset();
    TAVO_LOG(1, "got friendly name - " << friendlyName.toUtf8());
    return friendlyName.copyTo(name);
}

// The user whose own presence cannot be read is reported Offline.
HRESULT CTavoMessengerService::get_MyStatus(MISTATUS* status)
{
    using Broker = TavoMessengerExtensionBroker;
    if (!status) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    if (shuttingDown) return TAVO_FAIL(1, shutdownInProgress, S_OK);
    const ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "could not create a IIMAndPresence object", E_FAIL);
    Bstr signinName;
    if (FAILED(static_cast<IMessengerService*>(this)->get_MySigninName(signinName.out())))
        return TAVO_FAIL(4, "get_MySigninName failed", E_FAIL);
    TAVO_LOG(1, "got a request for presence for - " << signinName.toUtf8());
    switch (Broker::readStatus(imAndPresence.get(), signinName.get(), *status)) {
    case Broker::PresenceRead::read:
        return S_OK;
    case Broker::PresenceRead::askFailed:
        return TAVO_FAIL(4, "pIMAndPresence->GetPresenceForContact failed ", Broker::answerStatus(status, MISTATUS_OFFLINE));
    case Broker::PresenceRead::noPresence:
        return TAVO_FAIL(4, "pDispPresenceState- is NULL", Broker::answerStatus(status, MISTATUS_OFFLINE));
    case Broker::PresenceRead::notPresenceState:
        return TAVO_FAIL(4, "pDispPresenceState->QueryInterface<IPresenceState> failed", Broker::answerStatus(status, MISTATUS_OFFLINE));
    case Broker::PresenceRead::noPresenceState:
        return TAVO_FAIL(4, "pPresenceState- is NULL", Broker::answerStatus(status, MISTATUS_OFFLINE));
    }
    return S_OK;
}

HRESULT CTavoMessengerService::get_MySigninName(BSTR* name)
{
    if (!name) return E_POINTER;
    TAVO_LOG(1, "getting signin name");
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    if (shuttingDown) return TAVO_FAIL(1, shutdownInProgress, S_OK);
    Bstr jid;
    const HRESULT hr = ExtensionProviderClient::getClientUserJid(jid);
    if (SUCCEEDED(hr)) *name = jid.detach();
    return hr;
}

HRESULT CTavoMessengerService::get_Property(MSERVICEPROPERTY key, VARIANT* value)
{
    if (!value) return E_POINTER;
    vorn::SharedGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return copyStored(properties, key, value);
}

HRESULT CTavoMessengerService::put_Property(MSERVICEPROPERTY key, VARIANT value)
try {
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::returningError, MSGR_E_NOT_LOGGED_ON);
    return storeProperty(properties, key, value);
}
TAVO_CATCH_RETURN
