#pragma once

// TavoMessenger.dll loaded by path, as the host client loads it, with the two exports found under their
// decorated names and the self-registration entry that an installer calls. The module stays loaded until
// the host unloads it; the module itself keeps its code mapped while its threads or objects need it.

#include "TavoMessenger.h"

#include <windows.h>

#include <functional>
#include <string>

namespace hostsim {

// The module as a host drives it: its two exports and the path it was loaded from.
struct ModuleExports {
    StartTavoMessengerFunction start = nullptr;
    StopTavoMessengerFunction stop = nullptr;
    std::wstring path;
    std::function<void()> unload; // FreeLibrary; null when the module cannot be unloaded
};

class TavoModule {
public:
    using RegisterServerFunction = HRESULT(WINAPI*)();

    explicit TavoModule(const std::wstring& path);
    TavoModule(const TavoModule&) = delete;
    TavoModule& operator=(const TavoModule&) = delete;

    bool loaded() const { return module_ != nullptr; }
    bool hasEntryPoints() const { return start && stop && registerServer; }
    // Why loading failed, or which export is missing; empty when all is well.
    std::wstring problem() const;
    // The module's own idea of its full path, as its self-registration writes it.
    const std::wstring& path() const { return path_; }
    ModuleExports exports() { return ModuleExports{start, stop, path_, [this] { unload(); }}; }
    // FreeLibrary; the exports are gone afterwards.
    void unload();

    StartTavoMessengerFunction start = nullptr;
    StopTavoMessengerFunction stop = nullptr;
    RegisterServerFunction registerServer = nullptr;

private:
    HMODULE module_ = nullptr;
    DWORD loadError_ = 0;
    std::wstring requestedPath_;
    std::wstring path_;
};

} // namespace hostsim
