// officesim's command line: what a run does by default, the choices, and refusals of what makes no sense.
#include "officesim/OfficeSimOptions.h"

#include <gtest/gtest.h>

namespace {

using officesim::OfficeSimOptions;
using officesim::parseOfficeSimOptions;

std::optional<OfficeSimOptions> parse(std::vector<std::wstring> arguments, std::wstring* error = nullptr)
{
    std::wstring ignored;
    return parseOfficeSimOptions(arguments, error ? *error : ignored);
}

TEST(OfficeSimOptions, ByDefaultBothSessionsRunThroughBothBindingsInAnStaWithoutWaiting)
{
    const std::optional<OfficeSimOptions> options = parse({});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->office2010 && options->office2016);
    EXPECT_TRUE(options->vtable && options->lateBound);
    EXPECT_TRUE(options->singleThreadedApartment);
    EXPECT_TRUE(options->session.conversations);
    EXPECT_FALSE(options->waits());
    EXPECT_EQ(0u, options->waitLimitMs());
}

TEST(OfficeSimOptions, SessionsBindingsAndApartmentAreChosen)
{
    const std::optional<OfficeSimOptions> office2010 = parse({L"--session", L"2007", L"--late-bound"});
    ASSERT_TRUE(office2010);
    EXPECT_TRUE(office2010->office2010 && !office2010->office2016);
    EXPECT_TRUE(!office2010->vtable && office2010->lateBound);

    const std::optional<OfficeSimOptions> office2016 =
        parse({L"--session", L"2013", L"--binding", L"vtable", L"--apartment", L"mta", L"--no-conversations"});
    ASSERT_TRUE(office2016);
    EXPECT_TRUE(!office2016->office2010 && office2016->office2016);
    EXPECT_TRUE(office2016->vtable && !office2016->lateBound);
    EXPECT_FALSE(office2016->singleThreadedApartment);
    EXPECT_FALSE(office2016->session.conversations);
}

TEST(OfficeSimOptions, PeopleAndAddressesRepeatInTheirOrder)
{
    const std::optional<OfficeSimOptions> options =
        parse({L"--contact", L"b@x", L"--resolve", L"r@x", L"--contact", L"a@x", L"--lookup", L"l@x"});
    ASSERT_TRUE(options);
    EXPECT_EQ((std::vector<std::wstring>{L"b@x", L"a@x"}), options->session.people);
    EXPECT_EQ(std::vector<std::wstring>{L"r@x"}, options->session.resolve);
    EXPECT_EQ(std::vector<std::wstring>{L"l@x"}, options->session.lookup);
}

TEST(OfficeSimOptions, WaitingForEventsOrTheShutdownHasAThirtySecondLimitUnlessGiven)
{
    EXPECT_EQ(30000u, parse({L"--events", L"2"})->waitLimitMs());
    EXPECT_EQ(30000u, parse({L"--expect-shutdown"})->waitLimitMs());
    EXPECT_EQ(5000u, parse({L"--events", L"2", L"--wait", L"5000"})->waitLimitMs());
    const std::optional<OfficeSimOptions> waitOnly = parse({L"--wait", L"1500"});
    EXPECT_TRUE(waitOnly->waits());
    EXPECT_EQ(1500u, waitOnly->waitLimitMs());
}

TEST(OfficeSimOptions, RefusesWhatItCannotDoWithTheReason)
{
    const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> refusals = {
        {{L"--sessions", L"2010"}, L"unknown option --sessions"},
        {{L"--session", L"2019"}, L"bad value for --session: 2019"},
        {{L"--events"}, L"--events needs a value"},
        {{L"--events", L"two"}, L"bad value for --events: two"},
        {{L"--wait", L"4294967296"}, L"bad value for --wait: 4294967296"},
        {{L"--contact", L""}, L"bad value for --contact: "},
        {{L"--host-pid", L"42"}, L"--host-pid goes with --expect-shutdown"},
        {{L"--call-timeout", L"0"}, L"time-outs must be above 0"},
    };
    for (const auto& refusal : refusals) {
        std::wstring error;
        EXPECT_FALSE(parse(refusal.first, &error)) << refusal.second;
        EXPECT_EQ(refusal.second, error);
    }
}

} // namespace
