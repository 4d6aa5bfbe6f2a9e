// Creating the Messenger object as Office does: "class not registered" right after UpAndRunning reads 2 is
// waited out; any other failure is the answer at once.
#include "officesim/ProviderConnection.h"

#include <gtest/gtest.h>

namespace {

TEST(ProviderConnection, ClassNotRegisteredIsRetriedUntilTheClassIsThere)
{
    int calls = 0;
    const officesim::Activation activation = officesim::createMessenger(5000, [&](IUnknown** object) {
        if (++calls < 3) return REGDB_E_CLASSNOTREG;
        *object = nullptr;
        return S_OK;
    });
    EXPECT_EQ(S_OK, activation.hr);
    EXPECT_EQ(3, activation.attempts);
}

TEST(ProviderConnection, OtherFailuresAreNotRetried)
{
    int calls = 0;
    const officesim::Activation activation = officesim::createMessenger(5000, [&](IUnknown**) {
        ++calls;
        return E_NOINTERFACE;
    });
    EXPECT_EQ(E_NOINTERFACE, activation.hr);
    EXPECT_EQ(1, calls);
}

TEST(ProviderConnection, ClassNotRegisteredIsTheAnswerOnceTheRetryTimeIsOver)
{
    const officesim::Activation activation =
        officesim::createMessenger(300, [](IUnknown**) { return REGDB_E_CLASSNOTREG; });
    EXPECT_EQ(REGDB_E_CLASSNOTREG, activation.hr);
    EXPECT_GE(activation.elapsedMs, 300u);
    EXPECT_FALSE(activation.messenger);
}

} // namespace
