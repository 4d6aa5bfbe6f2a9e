#include "ExtensionProvider/HostClassObject.h"

#include "vorn/ReadWriteLock.h"

#include <atomic>

namespace hostaccess {
namespace {

using extensionsutils::ComPtr;

struct Slot {
    vorn::ReadWriteLock lock;
    // Guarded by lock: written exclusive, read shared.
    ComPtr<IClassFactory> classObject;
    // Set when the process ends; read without the lock, which a thread killed meanwhile may still hold.
    std::atomic<bool> abandoned{false};
};

// Never destroyed: threads may still log while the process exits, and a class object left in the slot
// then must not be released into a host that is already gone.
Slot& slot()
{
    static Slot* const instance = new Slot;
    return *instance;
}

template <class T>
ComPtr<T> createHostObject(REFIID iid)
{
    ComPtr<T> result;
    Slot& s = slot();
    if (s.abandoned) return result;
    vorn::SharedGuard guard(s.lock);
    if (!guard.owns() || !s.classObject) return result;
    // Only whether an object came back counts, whatever the host answers.
    s.classObject->CreateInstance(nullptr, iid, reinterpret_cast<void**>(result.out()));
    return result;
}

} // namespace

HRESULT fetchHostClassObject()
{
    Slot& s = slot();
    vorn::ExclusiveGuard guard(s.lock);
    if (!guard.owns()) return E_UNEXPECTED;
    if (s.classObject) return S_FALSE;
    ComPtr<IClassFactory> classObject;
    const HRESULT hr = CoGetClassObject(CLSID_IMAndPresence, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(classObject.out()));
    if (FAILED(hr)) return hr;
    if (!classObject) return E_NOINTERFACE;
    s.classObject = classObject;
    return S_OK;
}

void releaseHostClassObject()
{
    ComPtr<IClassFactory> released;
    {
        Slot& s = slot();
        vorn::ExclusiveGuard guard(s.lock);
        if (!guard.owns()) return;
        released.swap(s.classObject);
    }
    // The host's Release runs outside the lock, so a host that logs while it lets go cannot deadlock.
}

void abandonHostClassObject()
{
    slot().abandoned = true;
}

bool hasHostClassObject()
{
    Slot& s = slot();
    if (s.abandoned) return false;
    vorn::SharedGuard guard(s.lock);
    return guard.owns() && s.classObject;
}

ComPtr<IIMAndPresence> GetIMAndPresence()
{
    return createHostObject<IIMAndPresence>(IID_IIMAndPresence);
}

ComPtr<IProviderManagement> GetProviderManagement()
{
    return createHostObject<IProviderManagement>(IID_IProviderManagement);
}

ComPtr<IEventManager> GetEventManager()
{
    return createHostObject<IEventManager>(IID_IEventManager);
}

ComPtr<IPhone> GetPhone()
{
    return createHostObject<IPhone>(IID_IPhone);
}

ComPtr<ILogger> GetLogger()
{
    return createHostObject<ILogger>(IID_ILogger);
}

} // namespace hostaccess
