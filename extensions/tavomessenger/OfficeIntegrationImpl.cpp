#include "OfficeIntegrationImpl.h"

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "ExtensionProvider/TavoExtensionEventManager.h"

namespace {

// The service by which Office 2013 and 2016 ask a Messenger object for its UC integration entry.
const wchar_t* const UCIntegrationServiceId = L"{6b734cfb-92e4-42f3-9a5e-d4bded5fc357}";

} // namespace

OfficeIntegrationImpl::OfficeIntegrationImpl()
    : ConnectionPointContainer({DIID_DMessengerEvents, DIID__IUCOfficeIntegrationEvents})
{
}

OfficeIntegrationImpl::~OfficeIntegrationImpl() = default;

void OfficeIntegrationImpl::initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration)
{
    vorn::ExclusiveGuard guard(integrationLock);
    contactResolver = std::make_shared<ContactResolver>(workerThread);
    hostObjectHolds = std::make_shared<HostObjectHolds>();
    TavoMessengerAdvanced::initialise(workerThread, configuration, contactResolver, hostObjectHolds);
    UCOfficeIntegrationImpl::initialise(workerThread, configuration, contactResolver, hostObjectHolds);
    eventManager =
        std::make_shared<TavoExtensionEventManager>(this, workerThread, configuration, contactResolver, hostObjectHolds);
}

void OfficeIntegrationImpl::uninitialise()
{
    vorn::ExclusiveGuard guard(integrationLock);
    TavoMessengerAdvanced::uninitialise();
    UCOfficeIntegrationImpl::uninitialise();
    // The manager's destruction unregisters the listener from the host.
    eventManager.reset();
    // Pending resolutions hold this object through their callbacks; without the resolver they let it go.
    contactResolver.reset();
    // Last, once nothing makes contacts for events any more: the contacts that Office or queued events
    // still hold let go of the host now, before the host is told that the module has stopped.
    if (hostObjectHolds) hostObjectHolds->close();
}

HRESULT OfficeIntegrationImpl::QueryService(REFGUID service, REFIID, void** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    GUID ucIntegration = {};
    if (FAILED(IIDFromString(UCIntegrationServiceId, &ucIntegration)) || !IsEqualGUID(service, ucIntegration))
        return E_NOTIMPL;
    IUCOfficeIntegration* entry = this;
    entry->AddRef();
    *result = entry;
    return S_OK;
}

CProxyDMessengerEvents<OfficeIntegrationImpl>* OfficeIntegrationImpl::getMessengerEvents()
{
    vorn::SharedGuard guard(integrationLock);
    return this;
}

void OfficeIntegrationImpl::setClientSignedOut()
{
    if (auto client = lyncClient()) client->setClientState(ucClientStateSignedOut);
}

void OfficeIntegrationImpl::refuseNewSinks()
{
    refuseAdvise();
    if (auto client = lyncClient()) client->refuseAdvise();
}
