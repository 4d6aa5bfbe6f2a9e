#pragma once

// The host client of a soak run: TavoMessenger.dll loaded and installed as Office's IM provider, the fake
// host's extension API over the soak's people (see SoakPeople.h), and the module started and stopped as a
// host does it. Quiet: the host logger has no level enabled, and what the fake host records is forgotten
// on request, so that a long run measures the module's memory, not the recording's.
//
// Construct, start and stop on threads in COM's multithreaded apartment; the fake host is thread-safe.

#include "common/ConsoleOutput.h"
#include "hostsim/StoppedCallback.h"
#include "hostsim/TavoModule.h"

#include "support/FakeHost.h"

#include <memory>
#include <optional>
#include <string>

namespace soak {

struct StopOutcome {
    bool completed = false;   // onStopped came within the time-out
    DWORD milliseconds = 0;   // from StopTavoMessenger to onStopped (or to the time-out)
    int callbackCalls = 0;    // counted a moment after the first call
};

class SoakHost {
public:
    explicit SoakHost(tools::ConsoleOutput& output);
    ~SoakHost();
    SoakHost(const SoakHost&) = delete;
    SoakHost& operator=(const SoakHost&) = delete;

    // Empty when the module is loaded, installed and the host's class object registered.
    const std::wstring& problem() const { return problem_; }

    // StartTavoMessenger(0); the UpAndRunning read right after it returned.
    std::optional<DWORD> start();
    bool waitUntilReady(DWORD timeoutMs);
    // StopTavoMessenger and the wait for onStopped.
    StopOutcome stop(DWORD timeoutMs);
    // StopTavoMessenger without waiting; the callback tells when it is done.
    std::shared_ptr<hostsim::StoppedCallback> beginStop();

    fakehost::FakeHost& host() { return *host_; }
    // The module's DllCanUnloadNow.
    HRESULT canUnloadNow() const;

private:
    void addPeople();

    tools::ConsoleOutput& output_;
    std::wstring problem_;
    std::unique_ptr<hostsim::TavoModule> module_;
    std::shared_ptr<fakehost::FakeHost> host_;
    bool running_ = false;
};

// The host process's private bytes (what a leak makes grow).
unsigned long long privateBytes();

} // namespace soak
