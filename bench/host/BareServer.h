#pragma once

// The bare start and stop: a new thread in COM's multithreaded apartment fetches the host's class object
// and registers the bare class object under two class ids for local-server activation, as the module's
// worker does; stop revokes both and ends the thread. start() returns once both are registered.
//
// Threads: start and stop on one thread (the bench host's); the server thread is its own.

#include "host/BareClassFactory.h"

#include <windows.h>

namespace bench {

class BareServer {
public:
    BareServer() = default;
    ~BareServer() { stop(); }
    BareServer(const BareServer&) = delete;
    BareServer& operator=(const BareServer&) = delete;

    // S_OK once registered; the failing step's HRESULT otherwise (the thread has then ended).
    HRESULT start();
    void stop();

    // The Messenger object Office was handed, or empty before the first activation or when stopped.
    extensionsutils::MICComPtr<BareMessenger> messenger();

private:
    static unsigned __stdcall threadMain(void* self);
    HRESULT serve();

    HANDLE thread_ = nullptr;
    HANDLE registered_ = nullptr; // set by the thread when registered, or when it failed
    HANDLE stopRequested_ = nullptr;
    HRESULT result_ = E_FAIL;
    extensionsutils::MICComPtr<BareClassFactory> factory_; // set before registered_, reset by stop()
};

} // namespace bench
