// The hang watch: a call still running after the limit is reported once, by name; calls that return in
// time are not; an inner call's scope gives the watch back to the outer call.
#include "officesim/CallWatch.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

class CallWatchTest : public ::testing::Test {
protected:
    std::vector<std::wstring> hung() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return hung_;
    }

    mutable std::mutex mutex_;
    std::vector<std::wstring> hung_;
    officesim::CallWatch watch_{150, [this](const std::wstring& call, DWORD) {
                                    std::lock_guard<std::mutex> lock(mutex_);
                                    hung_.push_back(call);
                                }};
};

TEST_F(CallWatchTest, ACallStillRunningAfterTheLimitIsReportedOnceByName)
{
    {
        officesim::CallWatch::Scope scope(watch_, L"IMessenger.MyStatus");
        Sleep(600);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"IMessenger.MyStatus"}, hung());
}

TEST_F(CallWatchTest, CallsThatReturnInTimeAreNotReported)
{
    for (int call = 0; call < 5; ++call) {
        officesim::CallWatch::Scope scope(watch_, L"IUCCClient.State");
        Sleep(50);
    }
    Sleep(300); // no scope open: nothing to report
    EXPECT_TRUE(hung().empty());
}

TEST_F(CallWatchTest, AnInnerCallHandsTheWatchBackToTheOuterOne)
{
    officesim::CallWatch::Scope outer(watch_, L"outer");
    {
        officesim::CallWatch::Scope inner(watch_, L"inner");
    }
    Sleep(400);
    EXPECT_EQ(std::vector<std::wstring>{L"outer"}, hung());
}

} // namespace
