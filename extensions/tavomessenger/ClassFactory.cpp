#include "ClassFactory.h"

#include "logging/Results.h"

#include "extensionsutils/WeakPtrCComObject.h"

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** result)
try {
    if (!result) return E_POINTER;
    *result = nullptr;
    vorn::ExclusiveGuard guard(lock);
    if (outer) return CLASS_E_NOAGGREGATION;
    // Once the stop began, a new client would miss the shutdown events, and nothing would ever uninitialise
    // a new object or unregister its listener.
    if (stopping) return CO_E_SERVER_STOPPING;
    TAVO_LOG(1, "About to create and return a Messenger implementation");
    const bool created = !implementation;
    if (created) {
        implementation = extensionsutils::WeakPtrCComObject<OfficeIntegrationImpl>::create();
        if (!implementation) return E_OUTOFMEMORY;
        implementation->initialise(workerThread, configuration);
    }
    const HRESULT hr = implementation.identity()->QueryInterface(iid, result);
    if (FAILED(hr)) {
        TAVO_LOG(5, "failed to get a Messenger implementation");
        // A new object goes again, so the next request creates another one; an object that Office
        // already holds stays, so that every client keeps sharing it and is told of the shutdown.
        // A dropped object is uninitialised first, so that its host listener goes with it.
        if (created) {
            implementation->uninitialise();
            implementation.reset();
        }
        return hr;
    }
    return S_OK;
}
TAVO_CATCH_RETURN

HRESULT ClassFactory::LockServer(BOOL)
{
    return S_OK;
}

void ClassFactory::Initialize(std::weak_ptr<WorkerThread> worker, std::shared_ptr<Configuration> config)
{
    vorn::ExclusiveGuard guard(lock);
    workerThread = std::move(worker);
    configuration = std::move(config);
}

void ClassFactory::beginStop()
{
    vorn::ExclusiveGuard guard(lock);
    stopping = true;
}

void ClassFactory::Uninitialize()
{
    vorn::ExclusiveGuard guard(lock);
    workerThread.reset();
    stopping = true;
    if (implementation) implementation->uninitialise();
}

extensionsutils::MICComPtr<OfficeIntegrationImpl> ClassFactory::getImplementation()
{
    vorn::SharedGuard guard(lock);
    return implementation;
}
