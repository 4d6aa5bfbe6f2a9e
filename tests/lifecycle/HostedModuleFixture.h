#pragma once

// One test of the module as a host client runs it: the registry it touches saved, the fake host client
// registered in this process (COM's multithreaded apartment, see HostFixture), TavoMessenger.dll loaded from beside the
// test program with the entry points the host and COM find by name. At the end the module is stopped, its
// threads are waited for, no host object may be left and the module must leave the process once unloaded.

#include "LifecycleSupport.h"

#include "support/HostFixture.h"
#include "support/TypeLibraryRegistration.h"

class LoadedModule {
public:
    // The stop export called as a host built with Microsoft's compiler calls it.
    void stop(std::shared_ptr<TavoMessengerStoppedCallback> callback) const { callStopTavoMessenger(stopExport, std::move(callback)); }
    template <class Function>
    Function entry(const char* name) const { return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name))); }

    HMODULE module_ = LoadLibraryW(besideThisProgram(L"TavoMessenger.dll").c_str());
    std::wstring path = fileOf(module_); // as the module itself finds it, and registers it
    StartTavoMessengerFunction start = entry<StartTavoMessengerFunction>("?StartTavoMessenger@@YAXI@Z");
    StopTavoMessengerFunction stopExport =
        entry<StopTavoMessengerFunction>("?StopTavoMessenger@@YAXV?$shared_ptr@VTavoMessengerStoppedCallback@@@std@@@Z");
    HRESULT(WINAPI* canUnloadNow)() = entry<decltype(canUnloadNow)>("DllCanUnloadNow");
    HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = entry<decltype(getClassObject)>("DllGetClassObject");
    HRESULT(WINAPI* registerServer)() = entry<decltype(registerServer)>("DllRegisterServer");
    HRESULT(WINAPI* unregisterServer)() = entry<decltype(unregisterServer)>("DllUnregisterServer");
    HRESULT(WINAPI* install)(BOOL, LPCWSTR) = entry<decltype(install)>("DllInstall");

private:
    static std::wstring fileOf(HMODULE module)
    {
        std::vector<wchar_t> buffer(32768);
        return std::wstring(buffer.data(), GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size())));
    }
};

class HostedModuleTest : public HostFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    LoadedModule& module() { return module_; }

    // Starts the module and waits until it has published both class objects (UpAndRunning 2).
    void startAndWaitUntilPublished(unsigned int flags = 0);
    // Stops the module with a new recording callback and waits until it was called.
    std::shared_ptr<RecordingStoppedCallback> stopAndWait();
    std::shared_ptr<RecordingStoppedCallback> newCallback() const { return std::make_shared<RecordingStoppedCallback>(&host()); }
    bool unloadable() { return waitUntil([this] { return module_.canUnloadNow() == S_OK; }); }

    std::unique_ptr<LogWatch> logWatch;

private:
    SavedProviderRegistry registry_;
    LoadedModule module_;
};
