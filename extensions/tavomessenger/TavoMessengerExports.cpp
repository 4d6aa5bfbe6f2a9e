#include "TavoMessengerExports.h"

#include "LocalServer.h"
#include "MicrosoftStoppedCallback.h"
#include "PlainStoppedCallback.h"
#include "logging/Logging.h"

#include "vorn/Mutex.h"

#include <new>

namespace {

// Serialises the exports.
vorn::Mutex moduleMutex;

// The running server, with the holders that its stop hands the host's callback to. They are made with the
// server, so that a stop allocates nothing before the server has it: a stop that could not be handed over
// would leave the module running and the host waiting for onStopped. Guarded by moduleMutex; empty before
// the first start and after a stop. Never destroyed: at the end of a process that did not stop the module,
// destroying a running server would wait for its worker thread, which the process has already ended.
struct Running {
    std::shared_ptr<LocalServer> server;
    std::shared_ptr<MicrosoftStoppedCallback> microsoftCallback;
    std::shared_ptr<PlainStoppedCallback> plainCallback;
};
Running& running = *new Running();

HRESULT startServer(unsigned int flags)
{
    vorn::MutexGuard guard(moduleMutex);
    // A second start is ignored, its flags too; a start after a failed one starts afresh, so that the host
    // is never told S_OK while nothing is published.
    if (running.server && SUCCEEDED(running.server->startResult())) return S_OK;
    auto microsoftCallback = std::make_shared<MicrosoftStoppedCallback>();
    auto plainCallback = std::make_shared<PlainStoppedCallback>();
    running.server = LocalServer::startNew(flags);
    running.microsoftCallback = std::move(microsoftCallback);
    running.plainCallback = std::move(plainCallback);
    return running.server->startResult();
}

// Nothing may unwind into the host: a failure is logged and answered.
template <typename Function>
HRESULT guarded(const char* failure, Function&& function)
{
    try {
        return function();
    } catch (const std::bad_alloc&) {
        TAVO_LOG(4, failure);
        return E_OUTOFMEMORY;
    } catch (...) {
        TAVO_LOG(4, failure);
        return E_UNEXPECTED;
    }
}

const char* const startFailure = "Exception thrown during startup";
const char* const stopFailure = "Exception thrown during shutdown";

// Both stop exports: the running server's holder of this kind (`reserved`) takes the host's callback and the
// server stops with it; with nothing running, the callback is notified at once from the caller's stack. A
// stop that fails half-way still notifies its callback, once.
template <class Callback, class... HostCallback>
HRESULT stopServer(std::shared_ptr<Callback> Running::*reserved, HostCallback... hostCallback)
{
    vorn::MutexGuard guard(moduleMutex);
    if (!running.server) {
        Callback(hostCallback...).notify();
        return S_OK;
    }
    const std::shared_ptr<Callback> callback = running.*reserved;
    callback->adopt(hostCallback...);
    const std::shared_ptr<LocalServer> server = std::move(running.server);
    running = Running(); // the queued shutdown keeps the server and the callback alive until it has run
    const HRESULT hr = guarded(stopFailure, [&server, &callback] {
        server->stop(callback);
        return S_OK;
    });
    if (FAILED(hr)) callback->notify();
    return hr;
}

} // namespace

extern "C" void __cdecl StartTavoMessengerImpl(unsigned int flags)
{
    guarded(startFailure, [flags] { return startServer(flags); });
}

extern "C" void __cdecl StopTavoMessengerImpl(TavoMessengerSharedPointer callback)
{
    stopServer(&Running::microsoftCallback, callback);
}

extern "C" HRESULT __stdcall TavoMessengerStart(unsigned int flags)
{
    return guarded(startFailure, [flags] { return startServer(flags); });
}

extern "C" HRESULT __stdcall TavoMessengerStop(TavoMessengerStoppedFunction onStopped, void* context)
{
    if (!onStopped) return E_POINTER;
    return stopServer(&Running::plainCallback, onStopped, context);
}
