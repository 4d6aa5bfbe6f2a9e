#include "LocalServer.h"

#include "Workers.h"
#include "ExtensionProvider/HostClassObject.h"
#include "logging/Logging.h"
#include "utils/RegistryUtils.h"
#include "utils/Tr1FunctionWorker.h"

#include "vorn/Event.h"
#include "vorn/Mutex.h"

#include <atomic>
#include <new>

namespace {

// The host may start the module again before the previous stop has finished on the old worker thread.
// The servers then share the host class object, which only the last one to stop may release, and the
// UpAndRunning value, which belongs to the newest server. This mutex guards both hand-overs.
vorn::Mutex serversMutex;
unsigned long long latestGeneration = 0; // the generation of the newest server
unsigned hostClassObjectHolders = 0;     // servers started and not yet through onServerStopped
// Set once the newest server's class objects are revoked (or were never registered).
std::shared_ptr<vorn::Event> newestRevocation;

// How long a new server's publishing waits for the previous server's revocation before it goes ahead.
const DWORD revocationWaitMs = 30000;

// The first step of every start: fetches the host class object, or shares the one that a server still
// stopping holds. Answers the new server's generation, and the revocation of the server before it.
unsigned long long holdHostClassObject(const std::shared_ptr<vorn::Event>& revoked,
                                       std::shared_ptr<vorn::Event>& previousRevoked)
{
    vorn::MutexGuard guard(serversMutex);
    ++hostClassObjectHolders;
    hostaccess::fetchHostClassObject();
    previousRevoked = newestRevocation;
    newestRevocation = revoked;
    return ++latestGeneration;
}

// Two registrations of one class id at once leave COM with the wrong one or none once the older is
// revoked: a new server publishes only after the previous one has revoked its class objects.
void waitForRevocation(const std::shared_ptr<vorn::Event>& previousRevoked)
{
    if (!previousRevoked || previousRevoked->wait(revocationWaitMs) == 0) return;
    TAVO_LOG(4, "the previous server's revocation did not complete in time, publishing anyway");
}

void letGoOfHostClassObject()
{
    vorn::MutexGuard guard(serversMutex);
    if (hostClassObjectHolders > 0 && --hostClassObjectHolders > 0) return;
    hostaccess::releaseHostClassObject();
}

std::atomic<LocalServer::StartFault> startFault{nullptr};

} // namespace

void LocalServer::setStartFault(StartFault fault)
{
    startFault.store(fault);
}

std::shared_ptr<LocalServer> LocalServer::startNew(unsigned int flags)
{
    auto server = std::make_shared<LocalServer>(flags);
    server->start();
    return server;
}

LocalServer::LocalServer(unsigned int flags)
    : configuration(std::make_shared<Configuration>(flags)),
      classFactoryContainer(std::make_shared<ClassFactoryContainer>()),
      revoked(std::make_shared<vorn::Event>(false))
{
    lateCallbacks.reserve(1); // the one stop that can reach a failed start allocates nothing
}

LocalServer::~LocalServer()
{
    revoked->set();
}

void LocalServer::start()
{
    std::shared_ptr<vorn::Event> previousRevoked;
    generation = holdHostClassObject(revoked, previousRevoked); // nothing can be logged before this
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
        workerThread->AddWork(std::make_shared<Tr1FunctionWorker>([worker, config, container, self, previousRevoked] {
            waitForRevocation(previousRevoked);
            const std::optional<DWORD> upAndRunning = TavoMessengerStateWorkers::publishMessenger(worker, config, container);
            if (auto server = self.lock()) server->settleUpAndRunning(upAndRunning);
        }));
        if (StartFault fault = startFault.load()) fault();
        TAVO_LOG(2, "MessengerPublisherWorker work added");
    } catch (const std::bad_alloc&) {
        startFailure = E_OUTOFMEMORY;
        shutDownAfterFailedStart();
    } catch (...) {
        startFailure = E_FAIL;
        shutDownAfterFailedStart();
    }
}

void LocalServer::shutDownAfterFailedStart()
{
    TAVO_LOG(4, "Exception thrown during startup");
    try {
        PerformShutdown(nullptr);
    } catch (...) {
        // No end of the stop sequence will come to notify later stops: they notify at once.
        TAVO_LOG(4, "Exception thrown during shutdown");
        notifyLateCallbacks();
    }
}

void LocalServer::stop(std::shared_ptr<StoppedNotification> callback)
{
    if (FAILED(startFailure)) {
        // The failed start's own shutdown takes no callback: this one follows its end.
        {
            vorn::MutexGuard guard(lateCallbacksMutex);
            if (!shutdownComplete) {
                if (callback) lateCallbacks.push_back(callback);
                callback.reset();
            }
        }
        if (callback) callback->notify();
    } else {
        PerformShutdown(callback);
    }
    TAVO_LOG(2, "leaving critical section, shutdown complete");
}

void LocalServer::notifyLateCallbacks()
{
    std::vector<std::shared_ptr<StoppedNotification>> waiting;
    {
        vorn::MutexGuard guard(lateCallbacksMutex);
        shutdownComplete = true;
        waiting.swap(lateCallbacks);
    }
    for (const auto& callback : waiting) callback->notify();
}

// Under the mutex, as the stop's first step is, so that neither a stop nor a newer server's start can come
// between the check and the write. The write logs through the host's logger, which never calls back into
// the module's start or stop.
void LocalServer::settleUpAndRunning(std::optional<DWORD> value)
{
    vorn::MutexGuard guard(serversMutex);
    if (stopping || generation != latestGeneration) return; // the value is the stop's, or the newer server's
    if (value) RegistryUtils::SetUpAndRunning(*value);
}

void LocalServer::PerformShutdown(std::shared_ptr<StoppedNotification> callback)
{
    {
        vorn::MutexGuard guard(serversMutex);
        stopping = true; // a publishing that comes later leaves the value alone
        RegistryUtils::SetUpAndRunning(0);
    }
    TAVO_LOG(2, "About to Shutdown TavoMessenger");
    auto self = shared_from_this();
    if (!workerThread) {
        onServerStopped(self, callback);
        return;
    }
    TAVO_LOG(2, "Creating MessengerRevokerWorker");
    auto container = classFactoryContainer;
    auto revocation = revoked;
    workerThread->AddWork(std::make_shared<Tr1FunctionWorker>([container, revocation] {
        TavoMessengerStateWorkers::revokeMessenger(container);
        revocation->set();
    }));
    TAVO_LOG(2, "Stopping worker thread");
    workerThread->stop([self, callback] { onServerStopped(self, callback); }, false);
}

void onServerStopped(std::shared_ptr<LocalServer> server, std::shared_ptr<StoppedNotification> callback)
{
    server->revoked->set(); // also when the revocation work never ran
    if (callback) callback->notify();
    server->notifyLateCallbacks();
    letGoOfHostClassObject();
    callback.reset();
    server.reset(); // the last reference, when the worker's final task holds it: the server ends here
}
