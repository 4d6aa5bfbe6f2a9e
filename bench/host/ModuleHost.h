#pragma once

// The host side of every bench: the fake host client serving the extension API over a small directory (the
// signed-in user and one listed contact, plus the contact of the bare provider's UC events, with the host levels 0 to 2 enabled in its logger, as a host runs by
// default), TavoMessenger.dll driven through its two exports, and the bare provider beside it.
//
// Threads: construct, start, stop and destroy on one thread in COM's multithreaded apartment.

#include "host/BareServer.h"
#include "hostsim/StoppedCallback.h"
#include "hostsim/TavoModule.h"

#include "support/FakeHost.h"

#include <memory>
#include <string>

namespace bench {

class ModuleHost {
public:
    explicit ModuleHost(const std::wstring& modulePath);
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    // Empty when the module is loaded and the host's class object registered; else what went wrong.
    std::string problem() const { return problem_; }

    // What the host's installer writes, so that Office finds the module (needs HKEY_LOCAL_MACHINE rights).
    bool install();

    // StartTavoMessenger(0), then waits until UpAndRunning reads 2 (polled at once, no sleep).
    bool startModule(DWORD timeoutMs = 30000);
    // StopTavoMessenger, then waits for onStopped.
    bool stopModule(DWORD timeoutMs = 30000);
    bool moduleRunning() const { return running_; }

    BareServer& bare() { return bare_; }
    fakehost::FakeHost& host() { return *host_; }

private:
    std::string problem_;
    hostsim::TavoModule module_;
    std::shared_ptr<fakehost::FakeHost> host_;
    BareServer bare_;
    bool running_ = false;
};

// The directory beside this program's TavoMessenger.dll.
std::wstring moduleBesideProgram();

} // namespace bench
