#pragma once

// TavoMessenger.dll loaded from the test program's folder the way a host client loads it, with the entry
// points that the host and COM find by name.

#include "TavoMessenger.h"

#include <windows.h>

#include <string>

class LoadedModule {
public:
    using CanUnloadNowFunction = HRESULT(WINAPI*)();
    using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using RegisterFunction = HRESULT(WINAPI*)();
    using InstallFunction = HRESULT(WINAPI*)(BOOL, LPCWSTR);

    LoadedModule();
    // Leaves the module loaded unless unload() was called: a module thread may still run in it.
    ~LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return module_ != nullptr; }
    bool allEntryPointsFound() const;
    // The module's own idea of its path (GetModuleFileNameW), as it registers it.
    const std::wstring& path() const { return path_; }

    // Only once no thread runs in the module and nothing it made is held any more.
    void unload();

    // The stop export called as a host built with Microsoft's compiler calls it.
    void stop(std::shared_ptr<TavoMessengerStoppedCallback> callback) const
    {
        callStopTavoMessenger(stopExport, std::move(callback));
    }

    StartTavoMessengerFunction start = nullptr;
    StopTavoMessengerFunction stopExport = nullptr;
    CanUnloadNowFunction canUnloadNow = nullptr;
    GetClassObjectFunction getClassObject = nullptr;
    RegisterFunction registerServer = nullptr;
    RegisterFunction unregisterServer = nullptr;
    InstallFunction install = nullptr;

private:
    HMODULE module_ = nullptr;
    std::wstring path_;
};
