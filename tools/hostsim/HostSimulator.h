#pragma once

// The host client, simulated: TavoMessenger.dll driven through its two exports, and the host's extension
// API served by the fake host over the contact directory. It prints the module's log records as they
// arrive (host levels 0 to logLevel), every UpAndRunning change (the line "hostsim: ready (UpAndRunning 2)"
// when the module has published its class objects) and what Office and the module ask of the host.
//
// Threads: construct, command and destroy it on one thread in COM's multithreaded apartment; the fake
// host's class object is registered there, so the module finds it from its worker thread as well. Log
// records and activity are printed from the module's, the host's and the monitor's threads.

#include "hostsim/ActivityMonitor.h"
#include "common/ConsoleOutput.h"
#include "hostsim/ContactDirectory.h"
#include "hostsim/HostActions.h"
#include "hostsim/StoppedCallback.h"
#include "hostsim/TavoModule.h"

#include "support/FakeHost.h"

#include <atomic>
#include <memory>

namespace hostsim {

struct SimulatorSettings {
    ContactDirectory directory;
    unsigned long defaultFlags = 0;
    long logLevel = 3; // the host levels enabled: 0 (most severe) up to this one
    ResolutionMode resolutionMode = ResolutionMode::Automatic;
    DWORD stopTimeoutMs = 30000;
};

class HostSimulator : public HostActions {
public:
    HostSimulator(ModuleExports module, SimulatorSettings settings, tools::ConsoleOutput& output);
    ~HostSimulator() override; // stops the module if it still runs, then withdraws the host
    HostSimulator(const HostSimulator&) = delete;
    HostSimulator& operator=(const HostSimulator&) = delete;

    // The result of registering the host's class object; the module cannot start without it.
    HRESULT hostRegistration() const { return registration_; }

    bool start(std::optional<unsigned long> flags) override;
    bool stop() override;
    bool unload() override;
    bool endProcess() override;
    bool setPresence(const std::wstring& signinName, long presence, const std::wstring& text) override;
    bool signOut() override;
    bool signIn() override;
    bool setResolutionMode(ResolutionMode mode) override;
    bool answerResolution(const std::wstring& email, const std::optional<std::wstring>& imAddress) override;
    bool showPendingResolutions() override;
    bool waitUntilReady(DWORD timeoutMs) override;
    bool wait(DWORD milliseconds) override;
    bool showStatus() override;
    bool showDirectory() override;
    bool showActivity() override;

    // Ends a running wait early (Ctrl+C); true when a wait was running. Any thread.
    bool interruptWait();

    bool started() const { return started_; }
    fakehost::FakeHost& host() const { return *host_; }
    // How often the module called the callback of the last stop (for checks that it was exactly once).
    int lastStopCallbackCalls() const;

private:
    void applyDirectory();
    void printLogRecord(const fakehost::LogRecord& record);
    void reportUpAndRunning(std::optional<DWORD> value);
    void reportListeners(std::size_t listeners);
    void reportResolutionRequest(const std::wstring& email);
    void reportConversation(const fakehost::ConversationStart& start);
    std::wstring describeEntry(const DirectoryEntry& entry) const;
    // Fires the presence change to the presence listener and the contact's watchers; says whom it reached.
    std::wstring firePresence(const std::wstring& signinName);
    void reportFailures(const std::wstring& event, const std::vector<HRESULT>& results);

    ModuleExports module_;
    SimulatorSettings settings_;
    tools::ConsoleOutput& output_;
    std::shared_ptr<fakehost::FakeHost> host_;
    HRESULT registration_ = E_FAIL;
    std::atomic<bool> started_{false};
    std::atomic<bool> manualResolution_{false};
    bool signedOut_ = false;
    long userPresence_ = 1;        // the user's presence before signing out
    std::wstring userPresenceText_;
    std::shared_ptr<StoppedCallback> lastStopCallback_;
    HANDLE interrupt_;             // manual-reset event that ends a wait
    std::atomic<bool> waiting_{false};
    std::unique_ptr<ActivityMonitor> monitor_; // last: stopped first
};

} // namespace hostsim
