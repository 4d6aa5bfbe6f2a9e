#include "ExtensionProvider/TavoExtensionIMAndPresenceEvents.h"

#include "EventWorkers.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "OfficeIntegrationImpl.h"
#include "logging/Results.h"
#include "utils/Tr1FunctionWorker.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include <new>
#include <utility>

using extensionsutils::ComPtr;

namespace {

// The lock refuses only an upgrade (exclusive on a thread inside one of this sink's own events) or when
// its primitives are unusable; either way nothing may be changed under the events that read it.
const char* const lockRefused = "could not take the listener lock";

} // namespace

TavoExtensionIMAndPresenceEvents::~TavoExtensionIMAndPresenceEvents()
{
    TAVO_LOG(1, "destructing");
}

HRESULT TavoExtensionIMAndPresenceEvents::Initialize(OfficeIntegrationImpl* officeIntegration,
                                                     std::weak_ptr<WorkerThread> worker,
                                                     std::shared_ptr<Configuration> config,
                                                     std::shared_ptr<ContactResolver> resolver,
                                                     std::shared_ptr<HostObjectHolds> hostObjectHolds)
{
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    if (!officeIntegration) return TAVO_FAIL(4, "Cannot initialise, anOfficeIntegrationImpl is NULL", E_INVALIDARG);
    configuration = std::move(config);
    messenger = officeIntegration->getWeakPtr();
    workerThread = std::move(worker);
    contactResolver = std::move(resolver);
    holds = std::move(hostObjectHolds);
    return S_OK;
}

HRESULT TavoExtensionIMAndPresenceEvents::disconnect()
{
    vorn::ExclusiveGuard guard(lock);
    if (!guard.owns()) return TAVO_FAIL(4, lockRefused, E_UNEXPECTED);
    messenger.reset();
    contactResolver.reset();
    return S_OK;
}

HRESULT TavoExtensionIMAndPresenceEvents::OnContactPresenceChanged(IDispatch* contact, IDispatch* presenceState)
try {
    vorn::SharedGuard guard(lock);
    const extensionsutils::MICComPtr<OfficeIntegrationImpl> target = messenger.lock();
    if (!target) return TAVO_FAIL(4, "windowsMessenger is NULL", E_FAIL);
    if (!contact) return TAVO_FAIL(4, "Contact is NULL", E_FAIL);
    if (!presenceState) return TAVO_FAIL(4, "PresenceState is NULL", E_FAIL);
    ComPtr<IPresenceState> presence;
    if (FAILED(presenceState->QueryInterface(IID_IPresenceState, reinterpret_cast<void**>(presence.out()))) || !presence)
        return TAVO_FAIL(4, "Unable to QueryInterface IDispatch for IPresenceState", E_FAIL);
    const MISTATUS status = TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus(presence.get());

    ComPtr<IContact> hostContact;
    if (FAILED(contact->QueryInterface(IID_IContact, reinterpret_cast<void**>(hostContact.out()))) || !hostContact)
        return TAVO_FAIL(4, "Unable to QueryInterface IDispatch for IContact", E_FAIL);
    // May be null; the work item logs that on the worker thread.
    ComPtr<IMessengerContact> messengerContact =
        TavoMessengerExtensionBroker::CreateMessengerContact(hostContact.get(), configuration, holds).as<IMessengerContact>();

    // A worker that is gone or stopping (the stop window) refuses the work: the change cannot reach Office.
    std::shared_ptr<WorkerThread> worker = workerThread.lock();
    const bool queued = worker && worker->AddWork(std::make_shared<Tr1FunctionWorker>([target, messengerContact, status] {
        ExtensionProviderEventWorkers::contactStatusChanged(target.get(), messengerContact, status);
    }));
    if (!queued)
        return TAVO_FAIL(4, "Failed to enqueue the presence change task, because mpWorkerThread is NULL.", E_FAIL);
    return S_OK;
}
TAVO_CATCH_RETURN

HRESULT TavoExtensionIMAndPresenceEvents::OnContactResolved(BSTR email, BSTR imAddress)
{
    vorn::SharedGuard guard(lock);
    TAVO_LOG(1, "Contact Resolved");
    if (contactResolver) contactResolver->onContactResolved(email, imAddress);
    return S_OK;
}
