#include "LocalServer.h"

#include "Workers.h"
#include "ExtensionProvider/HostClassObject.h"
#include "utils/Logging.h"
#include "utils/RegistryUtils.h"
#include "utils/Tr1FunctionWorker.h"

#include "vorn/Mutex.h"

#include <exception>

namespace {

// The host may start the module again before the previous stop has finished on the old worker thread.
// The servers then share the host class object, which only the last one to stop may release, and the
// UpAndRunning value, which belongs to the newest server. This mutex guards both hand-overs.
vorn::Mutex serversMutex;
unsigned long long latestGeneration = 0; // the generation of the newest server
unsigned hostClassObjectHolders = 0;     // servers started and not yet through onServerStopped

// The first step of every start: fetches the host class object, or shares the one that a server still
// stopping holds. Answers the new server's generation.
unsigned long long holdHostClassObject()
{
    vorn::MutexGuard guard(serversMutex);
    ++hostClassObjectHolders;
    hostaccess::fetchHostClassObject();
    return ++latestGeneration;
}

void letGoOfHostClassObject()
{
    vorn::MutexGuard guard(serversMutex);
    if (hostClassObjectHolders > 0 && --hostClassObjectHolders > 0) return;
    hostaccess::releaseHostClassObject();
}

} // namespace

std::shared_ptr<LocalServer> LocalServer::startNew(unsigned int flags)
{
    auto server = std::make_shared<LocalServer>(flags);
    server->start();
    return server;
}

LocalServer::LocalServer(unsigned int flags)
    : configuration(std::make_shared<Configuration>(flags)),
      classFactoryContainer(std::make_shared<ClassFactoryContainer>())
{
}

void LocalServer::start()
{
    generation = holdHostClassObject(); // nothing can be logged before this
    try {
        TAVO_LOG(2, "starting");
        TAVO_LOG(2, "Setting UpAndRunning to 1");
        RegistryUtils::SetUpAndRunning(1);
        TAVO_LOG(2, "Checking if IMessenger Interface Typelibs are set to TavoMessenger GUID");
        RegistryUtils::CheckMessengerInterfaceTypelibs();
        TAVO_LOG(2, "starting WorkerThread");
        workerThread = std::make_shared<WorkerThreadImpl>();
        TAVO_LOG(2, "adding new MessengerPublisherWorker");
        std::weak_ptr<WorkerThread> worker = workerThread;
        auto config = configuration;
        auto container = classFactoryContainer;
        std::weak_ptr<LocalServer> self = shared_from_this();
        workerThread->AddWork(std::make_shared<Tr1FunctionWorker>([worker, config, container, self] {
            TavoMessengerStateWorkers::publishMessenger(worker, config, container);
            if (auto server = self.lock()) server->clearUpAndRunningIfStopping();
        }));
        TAVO_LOG(2, "MessengerPublisherWorker work added");
    } catch (const std::exception&) {
        TAVO_LOG(4, "Exception thrown during startup");
        failedStart = true;
        PerformShutdown(nullptr);
    }
}

void LocalServer::stop(std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    if (failedStart) {
        // The failed start's own shutdown is under way or done and takes no second callback.
        if (callback) callback->onStopped();
    } else {
        PerformShutdown(callback);
    }
    TAVO_LOG(2, "leaving critical section, shutdown complete");
}

void LocalServer::clearUpAndRunningIfStopping()
{
    if (!stopping) return;
    // Under the mutex, so that no newer server can start between the check and the write. The write logs
    // through the host's logger, which never calls back into the module's start or stop.
    vorn::MutexGuard guard(serversMutex);
    if (generation == latestGeneration) RegistryUtils::SetUpAndRunning(0);
}

void LocalServer::PerformShutdown(std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    stopping = true; // before the write: a publishing that comes later sees it and clears the value again
    RegistryUtils::SetUpAndRunning(0);
    TAVO_LOG(2, "About to Shutdown TavoMessenger");
    auto self = shared_from_this();
    if (!workerThread) {
        onServerStopped(self, callback);
        return;
    }
    TAVO_LOG(2, "Creating MessengerRevokerWorker");
    auto container = classFactoryContainer;
    workerThread->AddWork(std::make_shared<Tr1FunctionWorker>(
        [container] { TavoMessengerStateWorkers::revokeMessenger(container); }));
    TAVO_LOG(2, "Stopping worker thread");
    workerThread->stop([self, callback] { onServerStopped(self, callback); }, false);
}

void onServerStopped(std::shared_ptr<LocalServer> server, std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    if (callback) callback->onStopped();
    letGoOfHostClassObject();
    callback.reset();
    server.reset(); // the last reference, when the worker's final task holds it: the server ends here
}
