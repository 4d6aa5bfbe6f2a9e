// The report: the people table's layout, one row per person with what each API told, and the counts.
#include "officesim/Report.h"

#include <gtest/gtest.h>

namespace {

using officesim::PersonRow;

TEST(Report, TableColumnsArePaddedToTheWidestCellAndLongCellsAreCut)
{
    const std::vector<std::wstring> lines =
        officesim::formatTable({{L"Name", L"Status"}, {L"Eva Novák", L"Away"}, {L"An extraordinarily long name", L"x"}}, 12);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(L"Name          Status", lines[0]);
    EXPECT_EQ(L"Eva Novák     Away", lines[1]);
    EXPECT_EQ(L"An extrao...  x", lines[2]);
}

TEST(Report, APersonSeenByBothApisIsOneRowWithWhatEachTold)
{
    officesim::Output output([](const std::string&) {});
    officesim::Report report(output, false);
    PersonRow fromMessenger;
    fromMessenger.signinName = L"bo@example";
    fromMessenger.name = L"Bo";
    fromMessenger.status = 2;
    fromMessenger.mobile = L"+1 555";
    report.person(fromMessenger);
    PersonRow fromUc;
    fromUc.signinName = L"bo@example";
    fromUc.availability = 3500;
    fromUc.work = L"+1 556";
    report.person(fromUc);

    ASSERT_EQ(1u, report.people().size());
    const PersonRow& bo = report.people()[0];
    EXPECT_EQ(L"Bo", bo.name);
    EXPECT_EQ(std::optional<long>(2), bo.status);
    EXPECT_EQ(std::optional<long>(3500), bo.availability);
    EXPECT_EQ(L"+1 555", bo.mobile);
    EXPECT_EQ(L"+1 556", bo.work);
}

TEST(Report, TheSummaryCountsChecksAndRepeatsEveryViolation)
{
    std::vector<std::string> lines;
    officesim::Output output([&](const std::string& line) { lines.push_back(line); });
    officesim::Report report(output, false);
    report.passed(L"IMessenger.MyStatus", L"");
    report.violation(L"IMessenger.MyContacts", L"answered no collection");
    report.event(1234, L"DMessengerEvents.OnAppShutdown");
    lines.clear();
    report.printSummary();

    EXPECT_EQ(2, report.checks());
    EXPECT_EQ(1, report.violations());
    const std::vector<std::string> expected = {
        "officesim: Events seen (1):",
        "officesim:   +1.234s DMessengerEvents.OnAppShutdown",
        "officesim: 2 checks, 1 contract violation",
        "officesim:   VIOLATION: IMessenger.MyContacts: answered no collection",
    };
    EXPECT_EQ(expected, lines);
}

} // namespace
