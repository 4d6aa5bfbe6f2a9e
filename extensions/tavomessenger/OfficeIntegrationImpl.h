#pragma once

#include "utils/Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <memory>

// The object that Office creates through the Messenger and OfficeIntegrationImpl class ids, one per
// running module. For now it is the connection-point container of both Office APIs' events and carries
// the module's shutdown events; the Messenger API and UC integration interfaces join it as they are built.
// Threads: initialise and uninitialise on COM threads and the worker thread under `lock` exclusive;
// events are fired on the worker thread with no lock held.
class OfficeIntegrationImpl : public extensionsutils::ComObjectRoot, public extensionsutils::ConnectionPointContainer
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IConnectionPointContainer>;

    OfficeIntegrationImpl();

    void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration);
    void uninitialise();

    HRESULT Fire_OnMyStatusChange(HRESULT hr, MISTATUS status);
    HRESULT Fire_OnAppShutdown();
    HRESULT Fire_OnShuttingDown();
    // The UC client's state moves to signed out (with its event, once the client object exists).
    void setClientSignedOut();

private:
    vorn::ReadWriteLock lock;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<Configuration> configuration;
};
