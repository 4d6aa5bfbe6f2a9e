#include "ExtensionProvider/HostCallGate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

// The stop releases a contact's host object only once the call under way on it has returned.
TEST(HostCallGate, ClosingWaitsForTheCallUnderWayAndRefusesLaterOnes)
{
    HostCallGate gate;
    std::atomic<bool> closed{false};
    std::thread closing;
    {
        HostCallGate::Call underWay(gate);
        ASSERT_TRUE(static_cast<bool>(underWay));
        closing = std::thread([&] {
            gate.close();
            closed = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(closed);
    }
    closing.join();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(static_cast<bool>(HostCallGate::Call(gate)));
}
