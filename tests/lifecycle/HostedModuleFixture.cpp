#include "HostedModuleFixture.h"

#include "support/ThreadTestHelpers.h"

void HostedModuleTest::SetUp()
{
    ASSERT_EQ(S_OK, environment_.registration());
    ASSERT_TRUE(module_.loaded()) << "TavoMessenger.dll not found beside the test program";
    ASSERT_TRUE(module_.allEntryPointsFound());
    logWatch_ = std::make_unique<LogWatch>(host());
}

void HostedModuleTest::TearDown()
{
    if (!module_.loaded() || !logWatch_) return;
    // A test that failed half-way leaves the module running: stop it (a stop with no server does nothing).
    module_.stop(nullptr);
    if (!logWatch_->waitUntilOtherThreadsEnded(20000)) {
        ADD_FAILURE() << "a module thread did not end after the stop; the module stays loaded";
        return;
    }
    module_.unload();
    // Nothing the module made outlives the stop, so it leaves the process once the host lets it go.
    EXPECT_TRUE(waitUntil([] { return GetModuleHandleW(L"TavoMessenger.dll") == nullptr; }, 5000))
        << "the module stayed loaded after it was stopped and unloaded";
    host().clearLogHooks();
}

void HostedModuleTest::startAndWaitUntilPublished(unsigned int flags)
{
    module_.start(flags);
    ASSERT_TRUE(waitUntil([] { return readUpAndRunning() == std::optional<DWORD>(2); }))
        << "UpAndRunning never became 2";
}

std::shared_ptr<RecordingStoppedCallback> HostedModuleTest::newCallback() const
{
    return std::make_shared<RecordingStoppedCallback>(&host());
}

std::shared_ptr<RecordingStoppedCallback> HostedModuleTest::stopAndWait()
{
    auto callback = newCallback();
    module_.stop(callback);
    EXPECT_TRUE(callback->waitForCall()) << "the stopped callback was not called";
    return callback;
}

std::vector<std::wstring> HostedModuleTest::messagesOf(const std::wstring& function) const
{
    std::vector<std::wstring> messages;
    for (const fakehost::LogRecord& record : host().logRecords())
        if (record.function == function) messages.push_back(record.message);
    return messages;
}

std::vector<fakehost::LogRecord> HostedModuleTest::recordsOf(const std::wstring& message) const
{
    return host().recordsOf(message);
}
