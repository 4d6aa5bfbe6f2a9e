#include "OfficeIntegrationImpl.h"

#include "extensionsutils/DispatchParameters.h"

namespace {

const DISPID OnMyStatusChangeId = 0x407;
const DISPID OnAppShutdownId = 0x408;
const DISPID OnShuttingDownId = 0x32;

} // namespace

OfficeIntegrationImpl::OfficeIntegrationImpl()
    : ConnectionPointContainer({DIID_DMessengerEvents, DIID__IUCOfficeIntegrationEvents})
{
}

void OfficeIntegrationImpl::initialise(std::weak_ptr<WorkerThread> worker, std::shared_ptr<Configuration> config)
{
    vorn::ExclusiveGuard guard(lock);
    workerThread = std::move(worker);
    configuration = std::move(config);
}

void OfficeIntegrationImpl::uninitialise()
{
    vorn::ExclusiveGuard guard(lock);
    workerThread.reset();
}

HRESULT OfficeIntegrationImpl::Fire_OnMyStatusChange(HRESULT hr, MISTATUS status)
{
    extensionsutils::DispatchParameters parameters;
    parameters.add(extensionsutils::Variant::fromInt32(hr));
    parameters.add(extensionsutils::Variant::fromInt32(status));
    return fire(DIID_DMessengerEvents, OnMyStatusChangeId, parameters);
}

HRESULT OfficeIntegrationImpl::Fire_OnAppShutdown()
{
    return fire(DIID_DMessengerEvents, OnAppShutdownId, extensionsutils::DispatchParameters());
}

HRESULT OfficeIntegrationImpl::Fire_OnShuttingDown()
{
    return fire(DIID__IUCOfficeIntegrationEvents, OnShuttingDownId, extensionsutils::DispatchParameters());
}

void OfficeIntegrationImpl::setClientSignedOut()
{
}
