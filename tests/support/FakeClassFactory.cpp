#include "support/FakeClassFactory.h"

#include "support/AllocationFailures.h"
#include "support/FakeEventManager.h"
#include "support/FakeIMAndPresence.h"
#include "support/FakeLogger.h"
#include "support/FakePhone.h"
#include "support/FakeProviderManagement.h"

namespace fakehost {
namespace {

bool creationMethodFor(REFIID iid, HostMethod& method)
{
    if (iid == IID_IIMAndPresence) method = HostMethod::CreateIMAndPresence;
    else if (iid == IID_IProviderManagement) method = HostMethod::CreateProviderManagement;
    else if (iid == IID_IEventManager) method = HostMethod::CreateEventManager;
    else if (iid == IID_IPhone) method = HostMethod::CreatePhone;
    else if (iid == IID_ILogger) method = HostMethod::CreateLogger;
    else return false;
    return true;
}

} // namespace

FakeClassFactory::FakeClassFactory(std::shared_ptr<FakeHost> host) : FakeComObject<IClassFactory>(std::move(host), false) {}

HRESULT FakeClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    const AllocationFailures::Pause hostAtWork;
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    HostMethod method = HostMethod::CreateIMAndPresence;
    if (!creationMethodFor(iid, method)) return E_NOINTERFACE;
    const FakeHost::Outcome outcome = host().beginCall(method);
    if (outcome.fails()) return outcome.result;
    if (outcome.injected) return S_OK; // no object; a wrong object would be called through the wrong vtable

    extensionsutils::ComPtr<IUnknown> created;
    switch (method) {
    case HostMethod::CreateIMAndPresence: created = makeFakeObject<FakeIMAndPresence, IUnknown>(hostPointer()); break;
    case HostMethod::CreateProviderManagement:
        created = makeFakeObject<FakeProviderManagement, IUnknown>(hostPointer());
        break;
    case HostMethod::CreateEventManager: created = makeFakeObject<FakeEventManager, IUnknown>(hostPointer()); break;
    case HostMethod::CreatePhone: created = makeFakeObject<FakePhone, IUnknown>(hostPointer()); break;
    default: created = makeFakeObject<FakeLogger, IUnknown>(hostPointer()); break;
    }
    return created->QueryInterface(iid, object);
}

HRESULT FakeClassFactory::LockServer(BOOL)
{
    return S_OK;
}

} // namespace fakehost
