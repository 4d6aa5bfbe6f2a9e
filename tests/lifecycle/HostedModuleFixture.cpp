#include "HostedModuleFixture.h"

void HostedModuleTest::SetUp()
{
    ASSERT_EQ(S_OK, environment.registration());
    ASSERT_TRUE(module_.module_) << "TavoMessenger.dll not found beside the test program";
    ASSERT_TRUE(module_.start && module_.stopExport && module_.canUnloadNow && module_.getClassObject &&
                module_.registerServer && module_.unregisterServer && module_.install);
    logWatch = std::make_unique<LogWatch>(host());
}

void HostedModuleTest::TearDown()
{
    if (!module_.module_ || !logWatch) return;
    // A test that failed half-way leaves the module running: stop it (a stop with no server does nothing).
    module_.stop(nullptr);
    if (!logWatch->waitUntilOtherThreadsEnded(20000)) {
        ADD_FAILURE() << "a module thread did not end after the stop; the module stays loaded";
        return;
    }
    expectHostObjectsReleased();
    // Only now that no thread runs in the module and nothing it made is held; else it stays loaded.
    FreeLibrary(module_.module_);
    // Nothing the module made outlives the stop, so it leaves the process once the host lets it go.
    EXPECT_TRUE(waitUntil([] { return GetModuleHandleW(L"TavoMessenger.dll") == nullptr; }, 5000))
        << "the module stayed loaded after it was stopped and unloaded";
    host().clearLogHooks();
}

void HostedModuleTest::startAndWaitUntilPublished(unsigned int flags)
{
    module_.start(flags);
    ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); })) << "UpAndRunning never became 2";
}

std::shared_ptr<RecordingStoppedCallback> HostedModuleTest::stopAndWait()
{
    auto callback = newCallback();
    module_.stop(callback);
    EXPECT_TRUE(callback->waitForCall()) << "the stopped callback was not called";
    return callback;
}
