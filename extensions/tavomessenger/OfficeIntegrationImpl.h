#pragma once

#include "IMessenger/DMessengerEvents_CP.h"
#include "IMessenger/TavoMessengerAdvanced.h"
#include "IUCOfficeIntegration/UCOfficeIntegrationEventsProxy.h"
#include "IUCOfficeIntegration/UCOfficeIntegrationImpl.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/InterfaceTable.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <servprov.h>

#include <memory>

class ContactResolver;
class HostObjectHolds;
class TavoExtensionEventManager;

// The Messenger object: the one object that Office creates through the Messenger and OfficeIntegrationImpl
// class ids. It joins the Messenger API of Office 2007/2010 (TavoMessengerAdvanced) and the UC entry of
// Office 2013/2016 (UCOfficeIntegrationImpl) into one COM identity, and carries the connection points of
// both APIs' events.
// Threads: Office's calls on COM threads; initialise (class factory), uninitialise and the events (worker
// thread). `integrationLock` guards the members below it: exclusive in initialise and uninitialise, shared
// in getMessengerEvents. It is taken before either API's own lock, never after. Events are fired with no
// lock of this object held. Created as a WeakPtrCComObject: the host listener reaches it only weakly.
class OfficeIntegrationImpl : public TavoMessengerAdvanced,
                              public UCOfficeIntegrationImpl,
                              public extensionsutils::ComObjectRoot,
                              public extensionsutils::ConnectionPointContainer,
                              public CProxyDMessengerEvents<OfficeIntegrationImpl>,
                              public UCOfficeIntegrationEventsProxy<OfficeIntegrationImpl>,
                              public IServiceProvider,
                              public extensionsutils::CComWeakPtrEnabled<OfficeIntegrationImpl>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCOfficeIntegration,
                                                       IMessengerAdvanced,
                                                       extensionsutils::Via<IMessenger, IMessengerAdvanced>,
                                                       extensionsutils::Via<IMessenger2, IMessengerAdvanced>,
                                                       extensionsutils::Via<IMessenger3, IMessengerAdvanced>,
                                                       extensionsutils::Via<IDispatch, IMessengerAdvanced>,
                                                       IConnectionPointContainer,
                                                       IMessengerContactResolution,
                                                       IServiceProvider>;

    OfficeIntegrationImpl();
    ~OfficeIntegrationImpl();

    // Creates the contact resolver, wires both API sides to the worker thread, the configuration and the
    // resolver, and last registers the module's listener with the host.
    void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration);
    // Uninitialises both API sides, unregisters the host listener, then makes every contact either side
    // made let go of the host.
    void uninitialise();

    // IServiceProvider: the UC integration service answers IUCOfficeIntegration, whatever was asked for.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** result) override;

    CProxyDMessengerEvents<OfficeIntegrationImpl>* getMessengerEvents() override;

    // The UC client object's state becomes signed out, with its OnStateChanged. Without a client object
    // there is nobody to tell.
    void setClientSignedOut();
    // The module is stopping: the connection points that carry the shutdown events (both APIs' and the UC
    // client's) refuse new sinks with CO_E_SERVER_STOPPING, so no Office advises after the shutdown events
    // were fired and misses them.
    void refuseNewSinks();

private:
    vorn::ReadWriteLock integrationLock;
    // Guarded by integrationLock:
    std::shared_ptr<ContactResolver> contactResolver;
    std::shared_ptr<TavoExtensionEventManager> eventManager;
    std::shared_ptr<HostObjectHolds> hostObjectHolds; // of the contacts both sides make
};
