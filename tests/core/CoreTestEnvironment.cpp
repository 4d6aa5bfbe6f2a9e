#include "support/ThreadTestHelpers.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <memory>
#include <string>

// Every test of this program runs with the process in the multithreaded apartment, as the module's threads
// are (threads a test starts use it without joining), and under a watchdog that ends the program, naming
// the test, where a deadlock would otherwise hang it.
namespace {

struct MultithreadedApartment : ::testing::Environment {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

struct WatchdogPerTest : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override
    {
        name = std::string(test.test_suite_name()) + "." + test.name();
        watchdog = std::make_unique<Watchdog>(120000, name.c_str());
    }
    void OnTestEnd(const ::testing::TestInfo&) override { watchdog.reset(); }
    std::string name;
    std::unique_ptr<Watchdog> watchdog;
};

bool install()
{
    ::testing::AddGlobalTestEnvironment(new MultithreadedApartment);
    ::testing::UnitTest::GetInstance()->listeners().Append(new WatchdogPerTest);
    return true;
}

const bool installed = install();

} // namespace
