#include "hostsim/TavoModule.h"

#include "extensionsutils/Utf8.h"

#include <vector>

namespace hostsim {

namespace {

template <class Function>
Function entryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring moduleFileName(HMODULE module)
{
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

} // namespace

TavoModule::TavoModule(const std::wstring& path) : requestedPath_(path)
{
    module_ = LoadLibraryW(path.c_str());
    if (!module_) {
        loadError_ = GetLastError();
        return;
    }
    path_ = moduleFileName(module_);
    start = entryPoint<StartTavoMessengerFunction>(module_, StartTavoMessengerExportName);
    stop = entryPoint<StopTavoMessengerFunction>(module_, StopTavoMessengerExportName);
    registerServer = entryPoint<RegisterServerFunction>(module_, "DllRegisterServer");
}

void TavoModule::unload()
{
    if (!module_) return;
    FreeLibrary(module_);
    module_ = nullptr;
    start = nullptr;
    stop = nullptr;
    registerServer = nullptr;
}

std::wstring TavoModule::problem() const
{
    if (!module_) {
        return L"cannot load " + requestedPath_ + L" (Win32 error " + std::to_wstring(loadError_) +
               L"; a module of the other bitness fails with 193)";
    }
    if (!start) return path_ + L" has no export " + extensionsutils::toUtf16(StartTavoMessengerExportName);
    if (!stop) return path_ + L" has no export " + extensionsutils::toUtf16(StopTavoMessengerExportName);
    if (!registerServer) return path_ + L" has no export DllRegisterServer";
    return std::wstring();
}

} // namespace hostsim
