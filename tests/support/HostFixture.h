#pragma once

// What every test of the module against the fake host client shares, whether it links the module's code or
// loads the built module: the fake host registered in this process, its log, the check that no host object
// outlived the test, and a watchdog that ends the program when a test hangs.

#include "support/FakeHostEnvironment.h"
#include "support/ThreadTestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class HostFixture : public ::testing::Test {
protected:
    fakehost::FakeHost& host() const { return environment.host(); }
    std::size_t logCount(const std::wstring& message) const { return host().loggedCount(message); }
    // The message was logged once, at this host level.
    void expectLogged(const std::wstring& message, long hostLevel) const
    {
        std::vector<long> levels;
        for (const fakehost::LogRecord& record : host().recordsOf(message)) levels.push_back(record.hostLevel);
        EXPECT_EQ(levels, std::vector<long>{hostLevel}) << std::string(message.begin(), message.end());
    }
    // A call still under way holds what it was handed for a moment: a leak is what stays after that.
    void expectHostObjectsReleased() const
    {
        EXPECT_TRUE(waitUntil([this] { return host().liveObjectCount() == 0; }, 5000)) << "a host object was not released";
    }

    Watchdog watchdog{120000, "module test"};
    fakehost::FakeHostEnvironment environment;
};
