// The DLL's entry points. The module serves no class through DllGetClassObject: Office reaches it only
// through the class objects that the running host client registers (LocalServer).
#include "ServerRegistration.h"
#include "ExtensionProvider/HostClassObject.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/ModuleLock.h"

#include <windows.h>
#include <objbase.h>

namespace {

HINSTANCE moduleInstance = nullptr;

// Office must never find a provider marked running when no host runs it.
void clearUpAndRunning()
{
    try {
        RegistryUtils::SetUpAndRunning(0);
    } catch (...) {
    }
}

} // namespace

// A host that ends without stopping the module (a crash handler, "end task", a hurried shutdown) detaches
// it with `reserved` set: the other threads are gone, possibly holding the module's locks or inside a host
// call. The module then calls nothing in the host and waits for nothing; it only clears UpAndRunning.
// Its static objects are built not to block in their destructors, which run after this.
// A FreeLibrary without a stop never gets here while the module runs: its worker thread holds the module
// loaded until a stop ends it, and a running module is serving Office.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        DisableThreadLibraryCalls(instance);
        clearUpAndRunning();
    } else if (reason == DLL_PROCESS_DETACH) {
        if (reserved) hostaccess::abandonHostClassObject();
        clearUpAndRunning();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return extensionsutils::moduleLockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    return ServerRegistration::registerServer(moduleInstance, false);
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    return ServerRegistration::unregisterServer(moduleInstance, false);
}

extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    const bool perUser = ServerRegistration::isPerUserCommandLine(commandLine);
    if (!install) return ServerRegistration::unregisterServer(moduleInstance, perUser);
    const HRESULT hr = ServerRegistration::registerServer(moduleInstance, perUser);
    if (FAILED(hr)) ServerRegistration::unregisterServer(moduleInstance, perUser);
    return hr;
}
