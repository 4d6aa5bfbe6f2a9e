#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/UCCLyncClientEventsProxy.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/MICComPtr.h"
#include "vorn/Mutex.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <memory>

class ContactResolver;
class HostObjectHolds;
class UCCContactManager;
class UCCSelf;

// The client object of Office 2013/2016 (IUCCLyncClient, IUCCClient2): a fixed client type, the client
// state, the signed-in user's address, and the contact manager and self object behind it. Signing in and
// out, devices, conversations and conferences belong to the host client. The state starts signed in and
// only the application's shutdown moves it (to signed out); each change is told to Office through
// OnStateChanged. Made with create(), one per Office integration object.
//
// Threads: Office's getters on COM threads take `lock` shared; initialise, disconnect and setClientState
// (factory's caller, worker thread) take it exclusive. `lock` guards `state`; the two object pointers are
// set by the constructor and never change. `stateEventMutex` serialises state changes with their events,
// so sinks receive them in the order the state moved; `lock` itself is released before a sink runs, so a
// sink may read State (from any thread) while it handles the event.
class UCCLyncClient
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCLyncClient, &IID_IUCCLyncClient, &LIBID_TavoMessengerLib>,
      public extensionsutils::DispatchImpl<IUCCClient2, &IID_IUCCClient2, &LIBID_TavoMessengerLib>,
      public extensionsutils::ConnectionPointContainer,
      public UCCLyncClientEventsProxy<UCCLyncClient>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCLyncClient, extensionsutils::Via<IUCCClient, IUCCLyncClient>,
                                                       IUCCClient2, extensionsutils::Via<IDispatch, IUCCLyncClient>,
                                                       IConnectionPointContainer>;

    // A new client holding one reference, with its contact manager and self object; empty if it could not
    // be constructed.
    static extensionsutils::MICComPtr<UCCLyncClient> create();

    // Hands the worker thread, the resolver and the holds of the contacts' host objects to the contact
    // manager, and the contact manager to the self object.
    void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<ContactResolver> contactResolver,
                    std::shared_ptr<HostObjectHolds> holds = nullptr);
    // Makes the contact manager drop its worker thread and resolver (the module is stopping).
    void disconnect();
    // Stores the state and, when it changed, fires OnStateChanged with the old and new state.
    void setClientState(ClientState newState);

    // IUCCClient
    HRESULT STDMETHODCALLTYPE get_Type(ClientType* type) override { return answer(type, ucClientTypeUC); }
    HRESULT STDMETHODCALLTYPE get_State(ClientState* current) override { return answerShared(lock, state, current); }
    // The signed-in user's address as the host names it; E_FAIL when the host cannot name its user.
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* uri) override;
    HRESULT STDMETHODCALLTYPE get_Self(IUCCSelf** self) override;
    HRESULT STDMETHODCALLTYPE get_ContactManager(IUCCContactManager** manager) override;
    HRESULT STDMETHODCALLTYPE get_ConversationManager(IUCCConversationManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ConferenceScheduler(IUCCConferenceScheduler**) override { return E_NOTIMPL; }

    // IUCCLyncClient. The members that answer S_OK are the ones Office calls while it sets the client up: the
    // host client is already running, so they do nothing and leave their outputs as they were.
    HRESULT STDMETHODCALLTYPE Signin(BSTR, BSTR, BSTR, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Signout(IUnknown*, VARIANT, IUCCAsynchronousOperation**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SignInConfiguration(IUCCSignInConfiguration**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Capabilities(LyncClientCapabilityTypes*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DeviceManager(IUCCDeviceManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DelegatorClients(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Utilities(IUCCUtilities**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CreateApplicationRegistration(BSTR, BSTR, IUCCApplicationRegistration**) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_InSuppressedMode(VARIANT_BOOL*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Initialize(BSTR, BSTR, BSTR, BSTR, BSTR, SupportedFeatures, IUnknown*, VARIANT,
                                         IUCCAsynchronousOperation**) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Shutdown(IUnknown*, VARIANT, IUCCAsynchronousOperation**) override { return S_OK; }

    // IUCCClient2
    // The same contact manager as ContactManager.
    HRESULT STDMETHODCALLTYPE get_PrivateContactManager(IUCCContactManager** manager) override;
    HRESULT STDMETHODCALLTYPE get_RoomManager(IUCCRoomManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Settings(IUCCClientSettings**) override { return E_NOTIMPL; }

protected:
    UCCLyncClient();
    ~UCCLyncClient();

private:
    void fireStateChanged(ClientState oldState, ClientState newState);

    vorn::ReadWriteLock lock;
    ClientState state = ucClientStateSignedIn;
    const extensionsutils::MICComPtr<UCCContactManager> contactManager;
    const extensionsutils::MICComPtr<UCCSelf> self;
    vorn::Mutex stateEventMutex;
};
