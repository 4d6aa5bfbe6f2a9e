#include "TavoMessengerExports.h"

#include "LocalServer.h"

#include "vorn/Mutex.h"

namespace {

// Serialises the two exports.
vorn::Mutex moduleMutex;
// The running server; empty before the first start and after a stop.
std::shared_ptr<LocalServer> currentServer;

} // namespace

extern "C" void StartTavoMessengerImpl(unsigned int flags)
{
    vorn::MutexGuard guard(moduleMutex);
    if (currentServer) return; // a second start is ignored, its flags too
    currentServer = LocalServer::startNew(flags);
}

extern "C" void StopTavoMessengerImpl(std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    vorn::MutexGuard guard(moduleMutex);
    if (!currentServer) {
        if (callback) callback->onStopped();
        return;
    }
    currentServer->stop(callback);
    currentServer.reset(); // the queued shutdown keeps the server alive until it has run
}
