#include <gtest/gtest.h>

#include <objbase.h>

// Every test of this program runs with the process in the multithreaded apartment, as the module's threads
// are; threads a test starts use it without joining.
namespace {

class MultithreadedApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

::testing::Environment* const apartment = ::testing::AddGlobalTestEnvironment(new MultithreadedApartment);

} // namespace
