#include "LoadedModule.h"

#include "support/TypeLibraryRegistration.h"

#include <vector>

namespace {

std::wstring moduleFileName(HMODULE module)
{
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

template <class Function>
Function entryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

LoadedModule::LoadedModule() : module_(LoadLibraryW(besideThisProgram(L"TavoMessenger.dll").c_str()))
{
    if (!module_) return;
    path_ = moduleFileName(module_);
    start = entryPoint<StartTavoMessengerFunction>(module_, StartTavoMessengerExportName);
    stopExport = entryPoint<StopTavoMessengerFunction>(module_, StopTavoMessengerExportName);
    canUnloadNow = entryPoint<CanUnloadNowFunction>(module_, "DllCanUnloadNow");
    getClassObject = entryPoint<GetClassObjectFunction>(module_, "DllGetClassObject");
    registerServer = entryPoint<RegisterFunction>(module_, "DllRegisterServer");
    unregisterServer = entryPoint<RegisterFunction>(module_, "DllUnregisterServer");
    install = entryPoint<InstallFunction>(module_, "DllInstall");
}

bool LoadedModule::allEntryPointsFound() const
{
    return start && stopExport && canUnloadNow && getClassObject && registerServer && unregisterServer && install;
}

void LoadedModule::unload()
{
    if (!module_) return;
    FreeLibrary(module_);
    module_ = nullptr;
    start = nullptr;
    stopExport = nullptr;
    canUnloadNow = nullptr;
    getClassObject = nullptr;
    registerServer = nullptr;
    unregisterServer = nullptr;
    install = nullptr;
}
