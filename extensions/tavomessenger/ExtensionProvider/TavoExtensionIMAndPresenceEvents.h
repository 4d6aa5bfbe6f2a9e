#pragma once

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/InterfaceTable.h"
#include "vorn/ReadWriteLock.h"

#include "HostExtensionApi.h"
#include "TavoMessengerLib.h"

#include <memory>

class OfficeIntegrationImpl;

// The listener that the module registers with the host client for presence changes and resolution
// answers. It does no Office work on the host's thread: a presence change is read from the host here and
// queued as a work item for the worker thread; a resolution answer goes to the ContactResolver.
//
// Threads: the host calls the two events on its own threads under `lock` shared; Initialize and
// disconnect (from the Messenger object's owner of the registration) take it exclusive. `messenger` is a
// weak reference: an event already past the check while the object's last reference goes finds it gone
// instead of reviving a dying object.
class TavoExtensionIMAndPresenceEvents
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<ITavoExtensionIMAndPresenceEvents, &IID_ITavoExtensionIMAndPresenceEvents,
                                           &LIBID_TavoMessengerLib>,
      public _IIMAndPresenceEvents
{
public:
    using Interfaces = extensionsutils::InterfaceTable<ITavoExtensionIMAndPresenceEvents,
                                                       extensionsutils::Via<IDispatch, ITavoExtensionIMAndPresenceEvents>,
                                                       _IIMAndPresenceEvents>;

    TavoExtensionIMAndPresenceEvents() = default;
    ~TavoExtensionIMAndPresenceEvents();

    // E_INVALIDARG without a Messenger object; E_UNEXPECTED, changing nothing, when the lock is refused.
    // The contacts made for presence events keep their presence source with `holds`.
    HRESULT Initialize(OfficeIntegrationImpl* messenger, std::weak_ptr<WorkerThread> workerThread,
                       std::shared_ptr<Configuration> configuration, std::shared_ptr<ContactResolver> contactResolver,
                       std::shared_ptr<HostObjectHolds> holds = nullptr);
    // Forgets the Messenger object and the resolver, so that an event the host still delivers (it may keep
    // this sink) is dropped instead of reaching an object that may be gone, and pending resolutions do not
    // keep the Messenger object alive. Waits for events in progress; E_UNEXPECTED when called from inside
    // one (the lock refuses the upgrade), which changes nothing.
    HRESULT disconnect();

    // Reads the new status and builds the Messenger contact on this (the host's) thread, then queues
    // OnContactStatusChange for Office on the worker thread. S_OK once queued, E_FAIL otherwise.
    HRESULT STDMETHODCALLTYPE OnContactPresenceChanged(IDispatch* contact, IDispatch* presenceState) override;
    // Hands the answer to the ContactResolver; S_OK always.
    HRESULT STDMETHODCALLTYPE OnContactResolved(BSTR email, BSTR imAddress) override;

private:
    vorn::ReadWriteLock lock;
    extensionsutils::CComWeakPtr<OfficeIntegrationImpl> messenger;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<ContactResolver> contactResolver;
    std::shared_ptr<HostObjectHolds> holds;
};
