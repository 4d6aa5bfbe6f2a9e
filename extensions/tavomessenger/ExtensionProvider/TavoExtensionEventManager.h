#pragma once

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "ExtensionProvider/TavoExtensionIMAndPresenceEvents.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include "HostExtensionApi.h"

#include <memory>

class OfficeIntegrationImpl;

// The Messenger object's registration with the host client for presence changes and resolution answers:
// the listener is registered from the end of the constructor to the start of the destructor.
//
// Threads: created and destroyed by the Messenger object's initialise and uninitialise, under its
// exclusive lock; it has no lock of its own. The host is called without any lock of this class.
class TavoExtensionEventManager
{
public:
    // The contacts the listener makes for presence events keep their presence source with `holds`.
    TavoExtensionEventManager(OfficeIntegrationImpl* messenger, std::weak_ptr<WorkerThread> workerThread,
                              std::shared_ptr<Configuration> configuration,
                              std::shared_ptr<ContactResolver> contactResolver, std::shared_ptr<HostObjectHolds> holds);
    ~TavoExtensionEventManager();
    TavoExtensionEventManager(const TavoExtensionEventManager&) = delete;
    TavoExtensionEventManager& operator=(const TavoExtensionEventManager&) = delete;

    // Creates the listener if needed, initialises it and registers it with the host.
    void InitializeIMAndPresenceEvents(OfficeIntegrationImpl* messenger, std::shared_ptr<ContactResolver> contactResolver);
    // Unregisters the listener, disconnects it from the Messenger object and drops it.
    void Uninitialize();

private:
    extensionsutils::ComPtr<IEventManager> eventManager;
    extensionsutils::MICComPtr<TavoExtensionIMAndPresenceEvents> imAndPresenceEvents;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<HostObjectHolds> holds;
};
