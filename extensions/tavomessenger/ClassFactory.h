#pragma once

#include "OfficeIntegrationImpl.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"
#include "vorn/ReadWriteLock.h"

#include <memory>

// The one class object that the running module registers under the Messenger and OfficeIntegrationImpl
// class ids. It creates one OfficeIntegrationImpl on the first request and hands that same object to
// every later request, whichever class id was asked for.
// Threads: CreateInstance on COM threads, under `lock` exclusive for its whole run (so concurrent first
// requests end with one implementation); Initialize, beginStop and Uninitialize exclusive and
// getImplementation shared, on the worker thread.
class ClassFactory : public extensionsutils::ComObjectRoot, public IClassFactory
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IClassFactory>;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    void Initialize(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration);
    // The stop has begun: from now on CreateInstance answers CO_E_SERVER_STOPPING, so that no Office
    // connects while the shutdown events are on their way and misses them.
    void beginStop();
    // Uninitialises the implementation, if any, and keeps it; later requests answer CO_E_SERVER_STOPPING.
    void Uninitialize();
    extensionsutils::MICComPtr<OfficeIntegrationImpl> getImplementation();

private:
    vorn::ReadWriteLock lock;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<Configuration> configuration;
    extensionsutils::MICComPtr<OfficeIntegrationImpl> implementation;
    bool stopping = false; // from beginStop or Uninitialize on, CreateInstance creates nothing
};
