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
// The running server; empty before the first start and after a stop. Never destroyed: at the end of a
// process that did not stop the module, destroying a running server would wait for its worker thread,
// which the process has already ended.
std::shared_ptr<LocalServer>& currentServer = *new std::shared_ptr<LocalServer>();

HRESULT startServer(unsigned int flags)
{
    vorn::MutexGuard guard(moduleMutex);
    // A second start is ignored, its flags too; a start after a failed one starts afresh, so that the host
    // is never told S_OK while nothing is published.
    if (currentServer && SUCCEEDED(currentServer->startResult())) return S_OK;
    currentServer = LocalServer::startNew(flags);
    return currentServer->startResult();
}

void stopServer(const std::shared_ptr<StoppedNotification>& callback)
{
    vorn::MutexGuard guard(moduleMutex);
    if (!currentServer) {
        if (callback) callback->notify();
        return;
    }
    currentServer->stop(callback);
    currentServer.reset(); // the queued shutdown keeps the server alive until it has run
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

// A stop that failed half-way still notifies its callback, once.
HRESULT stopGuarded(const std::shared_ptr<StoppedNotification>& callback)
{
    const HRESULT hr = guarded(stopFailure, [&callback] {
        stopServer(callback);
        return S_OK;
    });
    if (FAILED(hr) && callback) callback->notify();
    return hr;
}

} // namespace

extern "C" void __cdecl StartTavoMessengerImpl(unsigned int flags)
{
    guarded(startFailure, [flags] { return startServer(flags); });
}

extern "C" void __cdecl StopTavoMessengerImpl(TavoMessengerSharedPointer callback)
{
    std::shared_ptr<StoppedNotification> notification;
    try {
        if (callback.object || callback.controlBlock) notification = std::make_shared<MicrosoftStoppedCallback>(callback);
    } catch (...) {
        // Without memory for the holder the host's reference is released unused and nothing stops.
        TAVO_LOG(4, stopFailure);
        MicrosoftStoppedCallback::release(callback);
        return;
    }
    stopGuarded(notification);
}

extern "C" HRESULT __stdcall TavoMessengerStart(unsigned int flags)
{
    return guarded(startFailure, [flags] { return startServer(flags); });
}

extern "C" HRESULT __stdcall TavoMessengerStop(TavoMessengerStoppedFunction onStopped, void* context)
{
    if (!onStopped) return E_POINTER;
    std::shared_ptr<StoppedNotification> notification;
    try {
        notification = std::make_shared<PlainStoppedCallback>(onStopped, context);
    } catch (...) {
        TAVO_LOG(4, stopFailure);
        return E_OUTOFMEMORY;
    }
    return stopGuarded(notification);
}
