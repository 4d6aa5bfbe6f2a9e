#pragma once

#include "ClassFactoryContainer.h"
#include "StoppedNotification.h"
#include "Configuration.h"
#include "utils/WorkerThreadImpl.h"

#include "vorn/Event.h"
#include "vorn/Mutex.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

// The module as a running local COM server inside the host client's process: start writes UpAndRunning,
// repairs the Messenger API type-library entries, starts the worker thread and queues the publishing of
// the class factories; stop queues the revocation and the end of the worker thread, and last the host's
// stopped callback.
// Threads: constructed and stopped on the host's calling thread under the module mutex; everything it
// queues runs on the worker thread.
class LocalServer : public std::enable_shared_from_this<LocalServer>
{
public:
    // A new server, owned by a shared pointer, that has run its start sequence. A failing start has
    // already run the stop sequence when this returns.
    static std::shared_ptr<LocalServer> startNew(unsigned int flags);

    explicit LocalServer(unsigned int flags);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // S_OK, or the failure of a start that threw (its stop sequence is then under way).
    HRESULT startResult() const { return startFailure; }

    // Queues the stop sequence; `callback` is notified once the module has stopped. After a failed start,
    // once that start's own stop sequence has ended.
    void stop(std::shared_ptr<StoppedNotification> callback);

    // Tests make a start fail with it: called inside the start's failure guard once the publishing is
    // queued. Null, the default, does nothing.
    using StartFault = void (*)();
    static void setStartFault(StartFault fault);

private:
    void start();
    void PerformShutdown(std::shared_ptr<StoppedNotification> callback);
    void shutDownAfterFailedStart();
    // Notifies the callbacks of stops that came while a failed start was stopping, and from then on
    // notifies at once.
    void notifyLateCallbacks();

    friend void onServerStopped(std::shared_ptr<LocalServer>, std::shared_ptr<StoppedNotification>);
    // Runs on the worker after publishing, which may come after this server's stop or a newer server's
    // start: only the newest server, not stopping, writes the value its publishing called for.
    void settleUpAndRunning(std::optional<DWORD> value);

    std::shared_ptr<WorkerThreadImpl> workerThread;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<ClassFactoryContainer> classFactoryContainer;
    // Set (manual reset) once this server's class objects are revoked; the next server publishes after it.
    std::shared_ptr<vorn::Event> revoked;
    // A start that failed has run its stop sequence already; a later stop only notifies its callback.
    HRESULT startFailure = S_OK;
    // Guards the two below: the stop sequence's end, and callbacks waiting for it.
    vorn::Mutex lateCallbacksMutex;
    bool shutdownComplete = false;
    std::vector<std::shared_ptr<StoppedNotification>> lateCallbacks;
    // Which start of the process this server is (1 for the first); set by start.
    unsigned long long generation = 0;
    // Set by the stop sequence as it clears UpAndRunning; read on the worker after publishing. Both under
    // the servers' mutex.
    bool stopping = false;
};

// The last step of every shutdown: notifies the host and releases the host class object, unless a newer
// server started meanwhile holds it too.
void onServerStopped(std::shared_ptr<LocalServer> server, std::shared_ptr<StoppedNotification> callback);
