#include "IUCOfficeIntegration/UCCLyncClient.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "IUCOfficeIntegration/values/UCCClientStateChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactManager.h"
#include "IUCOfficeIntegration/UCCSelf.h"
#include "logging/Logging.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/WeakPtrCComObject.h"

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

MICComPtr<UCCLyncClient> UCCLyncClient::create()
{
    return ComObject<UCCLyncClient>::create();
}

// A contact manager or self object that cannot be made leaves its pointer empty; the getter that would
// hand it out then answers E_NOTIMPL.
UCCLyncClient::UCCLyncClient()
    : ConnectionPointContainer({DIID__IUCCLyncClientEvents}),
      contactManager(extensionsutils::WeakPtrCComObject<UCCContactManager>::create()),
      self(ComObject<UCCSelf>::create())
{
}

UCCLyncClient::~UCCLyncClient() = default;

void UCCLyncClient::initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<ContactResolver> contactResolver,
                               std::shared_ptr<HostObjectHolds> holds)
{
    vorn::ExclusiveGuard guard(lock);
    if (contactManager) contactManager->initialise(std::move(workerThread), std::move(contactResolver), std::move(holds));
    if (self) self->setContactManager(contactManager);
}

void UCCLyncClient::disconnect()
{
    vorn::ExclusiveGuard guard(lock);
    if (contactManager) contactManager->disconnect();
}

void UCCLyncClient::setClientState(ClientState newState)
{
    vorn::MutexGuard eventGuard(stateEventMutex);
    ClientState oldState = ucClientStateUninitialized;
    {
        vorn::ExclusiveGuard guard(lock);
        if (newState == state) return;
        oldState = state;
        state = newState;
    }
    TAVO_LOG(1, "Setting client state from: " << oldState << " to: " << newState);
    fireStateChanged(oldState, newState);
}

void UCCLyncClient::fireStateChanged(ClientState oldState, ClientState newState)
{
    const MICComPtr<UCCClientStateChangedEventData> eventData = ComObject<UCCClientStateChangedEventData>::create();
    if (!eventData) {
        TAVO_LOG(4, "Unable to create client state changed event data");
        return;
    }
    eventData->setStates(oldState, newState);
    const ComPtr<IUCCLyncClient> source(static_cast<IUCCLyncClient*>(this));
    // Office's results do not change anything here.
    Fire_OnStateChanged(source.get(), eventData.identity());
}

HRESULT UCCLyncClient::get_Uri(BSTR* uri)
{
    if (!uri) return E_POINTER;
    Bstr jid;
    if (FAILED(ExtensionProviderClient::getClientUserJid(jid))) return E_FAIL; // the cause is logged there
    return jid.copyTo(uri);
}

HRESULT UCCLyncClient::get_Self(IUCCSelf** value)
{
    if (!value) return E_POINTER;
    if (!self) return E_NOTIMPL;
    return self.copyTo(value);
}

HRESULT UCCLyncClient::get_ContactManager(IUCCContactManager** manager)
{
    if (!manager) return E_POINTER;
    if (!contactManager) return E_NOTIMPL;
    return contactManager.copyTo(manager);
}

HRESULT UCCLyncClient::get_PrivateContactManager(IUCCContactManager** manager)
{
    return get_ContactManager(manager);
}
