#pragma once

// One test of the module as a host client runs it: the registry it touches saved, the fake host client
// registered in this process (COM's multithreaded apartment), TavoMessenger.dll loaded from beside the
// test program. At the end the module is stopped, its threads are waited for and the module is unloaded,
// so that the module's own detach runs while the registry is still saved. A watchdog ends the program
// when a test hangs.

#include "LoadedModule.h"
#include "LogWatch.h"
#include "ProviderRegistry.h"
#include "RecordingStoppedCallback.h"

#include "support/FakeHostEnvironment.h"

#include "Watchdog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class HostedModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    fakehost::FakeHost& host() const { return environment_.host(); }
    LoadedModule& module() { return module_; }
    const LoadedModule& module() const { return module_; }
    const LogWatch& logWatch() const { return *logWatch_; }

    // Starts the module and waits until it has published both class objects (UpAndRunning 2).
    void startAndWaitUntilPublished(unsigned int flags = 0);
    // Stops the module with a new recording callback and waits until it was called.
    std::shared_ptr<RecordingStoppedCallback> stopAndWait();
    std::shared_ptr<RecordingStoppedCallback> newCallback() const;

    // The messages of the records written by one function, in order.
    std::vector<std::wstring> messagesOf(const std::wstring& function) const;
    // The records with this message.
    std::vector<fakehost::LogRecord> recordsOf(const std::wstring& message) const;

private:
    Watchdog watchdog_{90000, "lifecycle test"};
    SavedProviderRegistry registry_;
    fakehost::FakeHostEnvironment environment_;
    LoadedModule module_;
    std::unique_ptr<LogWatch> logWatch_;
};
