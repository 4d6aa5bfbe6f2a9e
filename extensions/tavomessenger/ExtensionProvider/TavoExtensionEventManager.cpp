#include "ExtensionProvider/TavoExtensionEventManager.h"

#include "ExtensionProvider/HostClassObject.h"
#include "logging/Logging.h"

#include "extensionsutils/ComObject.h"

#include <utility>

TavoExtensionEventManager::TavoExtensionEventManager(OfficeIntegrationImpl* messenger,
                                                     std::weak_ptr<WorkerThread> worker,
                                                     std::shared_ptr<Configuration> config,
                                                     std::shared_ptr<ContactResolver> contactResolver,
                                                     std::shared_ptr<HostObjectHolds> hostObjectHolds)
    : eventManager(hostaccess::GetEventManager()), workerThread(std::move(worker)), configuration(std::move(config)),
      holds(std::move(hostObjectHolds))
{
    InitializeIMAndPresenceEvents(messenger, std::move(contactResolver));
}

TavoExtensionEventManager::~TavoExtensionEventManager()
{
    TAVO_LOG(1, "destructing");
    Uninitialize();
}

void TavoExtensionEventManager::InitializeIMAndPresenceEvents(OfficeIntegrationImpl* messenger,
                                                              std::shared_ptr<ContactResolver> contactResolver)
{
    if (!imAndPresenceEvents) {
        imAndPresenceEvents = extensionsutils::ComObject<TavoExtensionIMAndPresenceEvents>::create();
        if (!imAndPresenceEvents) return TAVO_LOG(4, "Create new IMAndPresenceEvents failed");
    }
    imAndPresenceEvents->Initialize(messenger, workerThread, configuration, std::move(contactResolver), holds);

    // Without the host's event manager there is nobody to register with; the sink stays either way.
    if (!eventManager || FAILED(eventManager->AddIMAndPresenceEventListener(imAndPresenceEvents.get())))
        TAVO_LOG(4, "eventManager->AddIMAndPresenceEventListener(imAndPresenceEvents), failed");
}

void TavoExtensionEventManager::Uninitialize()
{
    TAVO_LOG(1, "Uninitialising ExtensionEventManager");
    if (imAndPresenceEvents && eventManager
        && FAILED(eventManager->RemoveIMAndPresenceEventListener(imAndPresenceEvents.get()))) {
        TAVO_LOG(4, "pEventManager->RemoveIMAndPresenceEventListener failed");
        eventManager.reset();
    }
    // The host may still hold the sink (a failed removal, an event in flight): it must not reach the
    // Messenger object any more.
    if (imAndPresenceEvents) imAndPresenceEvents->disconnect();
    imAndPresenceEvents.reset();
    eventManager.reset();
    workerThread.reset();
}
