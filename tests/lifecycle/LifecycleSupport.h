#pragma once

// What the lifecycle tests watch a start and a stop with: the host's stopped callback as recorded, the
// module's threads and log lines as they are written, a gate that holds a module thread at a log line, and
// the registry state a start and a stop change.

#include "TavoMessenger.h"

#include "support/FakeHost.h"
#include "support/SavedRegistryKey.h"
#include "support/ThreadTestHelpers.h"

#include "common/ImProviderRegistry.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

using tools::readUpAndRunning;

// Saves "Software\IM Providers" (then emptied, so no earlier value can pass for the module's) and the
// TypeLib entries of the Messenger API interfaces that a start repairs, in both hives and views.
class SavedProviderRegistry {
public:
    SavedProviderRegistry();

private:
    std::vector<std::unique_ptr<registrytest::SavedRegistryKey>> keys_;
};

// The stopped callback: how often, on which thread and apartment the module called it, and whether the
// revocation's last line was logged by then (when given the host); then it does what `then` says (a host
// may restart the module there, or throw). The module calls it on its worker.
class RecordingStoppedCallback : public TavoMessengerStoppedCallback {
public:
    explicit RecordingStoppedCallback(const fakehost::FakeHost* host = nullptr, std::function<void()> then = nullptr)
        : host_(host), then_(std::move(then)) {}
    void onStopped() override;
    bool waitForCall(DWORD timeoutMs = 20000) const { return WaitForSingleObject(called_.get(), timeoutMs) == WAIT_OBJECT_0; }
    // How often it was called and whether last on the asking thread: "1 here", "1 elsewhere".
    std::string calledWhere() const { return std::to_string(calls) + (thread == GetCurrentThreadId() ? " here" : " elsewhere"); }

    std::atomic<int> calls{0};
    std::atomic<DWORD> thread{0};           // of the last call
    std::atomic<bool> revocationLoggedBefore{false};
    std::string apartment;                  // of the last call; read it after waitForCall

private:
    const fakehost::FakeHost* host_;
    std::function<void()> then_;
    Handle called_ = newEvent();
};

// Every thread besides the test's own that logged, so that a test can wait until those have ended before
// the module is unloaded.
class LogWatch {
public:
    explicit LogWatch(fakehost::FakeHost& host);
    bool waitUntilOtherThreadsEnded(DWORD timeoutMs) const;

private:
    // Shared with the log hook, which may outlive this object inside the fake host.
    struct State {
        ~State();
        DWORD testThread = GetCurrentThreadId();
        std::mutex mutex;
        std::set<DWORD> threads;           // guarded by mutex
        std::vector<HANDLE> threadHandles; // guarded by mutex
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// The class object COM hands out for the class to local-server activation; null when none.
extensionsutils::ComPtr<IClassFactory> registeredFactory(REFCLSID clsid);
inline bool classObjectRegistered(REFCLSID clsid) { return bool(registeredFactory(clsid)); }

// Holds the first thread that logs `message` at that line until the gate opens: makes an interleaving of
// the host's thread and the module's worker certain.
std::shared_ptr<Gate> holdAt(fakehost::FakeHost& host, const std::wstring& message);

// The messages of the records one function wrote, in order.
std::vector<std::wstring> messagesOf(const fakehost::FakeHost& host, const std::wstring& function);
