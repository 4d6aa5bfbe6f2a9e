#include "hostsim/HostSimOptions.h"

#include <gtest/gtest.h>

using hostsim::parseHostSimOptions;

namespace {

TEST(HostSimOptions, DefaultsStartAtLaunchWithLevelThreeAndAutomaticResolution)
{
    std::wstring error;
    const auto options = parseHostSimOptions({}, error);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->startAtLaunch);
    EXPECT_FALSE(options->install);
    EXPECT_EQ(3, options->logLevel);
    EXPECT_EQ(0u, options->flags);
    EXPECT_EQ(hostsim::ResolutionMode::Automatic, options->resolutionMode);
    EXPECT_TRUE(options->modulePath.empty());
    EXPECT_TRUE(options->scriptPath.empty());
}

TEST(HostSimOptions, ReadsEveryOption)
{
    std::wstring error;
    const auto options = parseHostSimOptions({L"--module", L"C:\\m.dll", L"--directory", L"d.txt", L"--install",
                                              L"--log-level", L"5", L"--flags", L"0x3", L"--no-start", L"--resolve",
                                              L"MANUAL", L"--script", L"s.txt"},
                                             error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(L"C:\\m.dll", options->modulePath);
    EXPECT_EQ(L"d.txt", options->directoryPath);
    EXPECT_TRUE(options->install);
    EXPECT_EQ(5, options->logLevel);
    EXPECT_EQ(3u, options->flags);
    EXPECT_FALSE(options->startAtLaunch);
    EXPECT_EQ(hostsim::ResolutionMode::Manual, options->resolutionMode);
    EXPECT_EQ(L"s.txt", options->scriptPath);
}

TEST(HostSimOptions, RefusesWhatItDoesNotKnowWithTheReason)
{
    const std::pair<std::vector<std::wstring>, const wchar_t*> cases[] = {
        {{L"--verbose"}, L"unknown option '--verbose'"},
        {{L"--script"}, L"--script needs a value"},
        {{L"--log-level", L"6"}, L"--log-level takes a host level from 0 to 5, not '6'"},
        {{L"--flags", L"two"}, L"--flags takes a number, not 'two'"},
        {{L"--resolve", L"never"}, L"--resolve takes auto or manual, not 'never'"},
    };
    for (const auto& bad : cases) {
        std::wstring error;
        EXPECT_FALSE(parseHostSimOptions(bad.first, error));
        EXPECT_EQ(bad.second, error);
    }
}

} // namespace
