#include "hostsim/CommandInterpreter.h"

#include "ToolTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

using hostsim::CommandInterpreter;
using hostsim::CommandResult;
using hostsim::ResolutionMode;
using ::testing::_;
using ::testing::Return;

namespace {

class MockHostActions : public hostsim::HostActions {
public:
    MOCK_METHOD(bool, start, (std::optional<unsigned long> flags), (override));
    MOCK_METHOD(bool, stop, (), (override));
    MOCK_METHOD(bool, unload, (), (override));
    MOCK_METHOD(bool, endProcess, (), (override));
    MOCK_METHOD(bool, setPresence, (const std::wstring& signinName, long presence, const std::wstring& text),
                (override));
    MOCK_METHOD(bool, signOut, (), (override));
    MOCK_METHOD(bool, signIn, (), (override));
    MOCK_METHOD(bool, setResolutionMode, (ResolutionMode mode), (override));
    MOCK_METHOD(bool, answerResolution, (const std::wstring& email, const std::optional<std::wstring>& imAddress),
                (override));
    MOCK_METHOD(bool, showPendingResolutions, (), (override));
    MOCK_METHOD(bool, waitUntilReady, (DWORD timeoutMs), (override));
    MOCK_METHOD(bool, wait, (DWORD milliseconds), (override));
    MOCK_METHOD(bool, showStatus, (), (override));
    MOCK_METHOD(bool, showDirectory, (), (override));
    MOCK_METHOD(bool, showActivity, (), (override));
};

class CommandInterpreterTest : public ::testing::Test {
protected:
    CommandResult run(const std::wstring& line)
    {
        const hostsim::CommandOutcome outcome = interpreter_.execute(line);
        error_ = outcome.error;
        return outcome.result;
    }

    ::testing::StrictMock<MockHostActions> actions_;
    tooltest::CapturedOutput captured_;
    CommandInterpreter interpreter_{actions_, captured_.output()};
    std::wstring error_;
};

TEST_F(CommandInterpreterTest, CommandsReachTheirActionsWithTheirArguments)
{
    EXPECT_CALL(actions_, start(std::optional<unsigned long>())).WillOnce(Return(true));
    EXPECT_CALL(actions_, start(std::optional<unsigned long>(2))).WillOnce(Return(true));
    EXPECT_CALL(actions_, stop()).WillOnce(Return(true));
    EXPECT_CALL(actions_, setPresence(std::wstring(L"bo@q"), 2, std::wstring(L"Away"))).WillOnce(Return(true));
    EXPECT_CALL(actions_, setPresence(std::wstring(L"bo@q"), 3, std::wstring(L"In a \"long\" meeting")))
        .WillOnce(Return(true));
    EXPECT_CALL(actions_, signOut()).WillOnce(Return(true));
    EXPECT_CALL(actions_, signIn()).WillOnce(Return(true));
    EXPECT_CALL(actions_, setResolutionMode(ResolutionMode::Manual)).WillOnce(Return(true));
    EXPECT_CALL(actions_, setResolutionMode(ResolutionMode::Automatic)).WillOnce(Return(true));
    EXPECT_CALL(actions_, answerResolution(std::wstring(L"x@c"), std::optional<std::wstring>())).WillOnce(Return(true));
    EXPECT_CALL(actions_, answerResolution(std::wstring(L"x@c"), std::optional<std::wstring>(L"bo@q")))
        .WillOnce(Return(true));
    EXPECT_CALL(actions_, answerResolution(std::wstring(L"y@c"), std::optional<std::wstring>(L"")))
        .WillOnce(Return(true));
    EXPECT_CALL(actions_, showPendingResolutions()).WillOnce(Return(true));
    EXPECT_CALL(actions_, wait(250u)).WillOnce(Return(true));
    EXPECT_CALL(actions_, wait(INFINITE)).WillOnce(Return(true));
    EXPECT_CALL(actions_, waitUntilReady(30000u)).WillOnce(Return(true));
    EXPECT_CALL(actions_, waitUntilReady(5000u)).WillOnce(Return(true));
    EXPECT_CALL(actions_, showStatus()).WillOnce(Return(true));
    EXPECT_CALL(actions_, showDirectory()).WillOnce(Return(true));
    EXPECT_CALL(actions_, showActivity()).WillOnce(Return(true));

    for (const wchar_t* line :
         {L"start", L"START 0x2", L"stop", L"presence bo@q away", L"  presence  bo@q 3 \"In a \"\"long\"\" meeting\"",
          L"signout", L"signin", L"resolve manual", L"resolve AUTO", L"answer x@c", L"answer x@c bo@q", L"refuse y@c",
          L"pending", L"wait 250", L"wait forever", L"wait-ready", L"wait-ready 5000", L"status", L"contacts",
          L"activity"}) {
        EXPECT_EQ(CommandResult::Done, run(line)) << line << L": " << error_;
        EXPECT_EQ(L"", error_);
    }
}

TEST_F(CommandInterpreterTest, LinesItDoesNotUnderstandGiveAReasonAndDoNothing)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"launch", L"unknown command 'launch' (help lists the commands)"},
        {L"stop now", L"usage: stop"},
        {L"presence bo@q", L"usage: presence <sign-in name> <presence> [text]"},
        {L"presence bo@q sleepy", L"'sleepy' is not a presence (expected 1-5 or available, away, dnd, idle, offline)"},
        {L"presence bo@q 0", L"'0' is not a presence (expected 1-5 or available, away, dnd, idle, offline)"},
        {L"start -1", L"'-1' is not a number"},
        {L"start 0x100000000", L"'0x100000000' is not a number"},
        {L"wait soon", L"'soon' is not a number"},
        {L"wait-ready 1.5", L"'1.5' is not a number"},
        {L"resolve later", L"'later' is not a resolution mode (expected auto or manual)"},
        {L"echo \"unclosed", L"a quote is not closed"},
        {L"refuse", L"usage: refuse <e-mail>"},
    };
    for (const auto& bad : cases) {
        EXPECT_EQ(CommandResult::Failed, run(bad.first)) << bad.first;
        EXPECT_EQ(bad.second, error_) << bad.first;
    }
}

TEST_F(CommandInterpreterTest, AFailedActionFailsTheCommandAndQuitEndsWithoutAction)
{
    EXPECT_CALL(actions_, waitUntilReady(_)).WillOnce(Return(false));
    EXPECT_EQ(CommandResult::Failed, run(L"wait-ready"));
    EXPECT_EQ(L"", error_);
    EXPECT_EQ(CommandResult::Quit, run(L"quit"));
    EXPECT_EQ(CommandResult::Quit, run(L"Exit"));
    EXPECT_EQ(CommandResult::Done, run(L"   # a comment"));
    EXPECT_EQ(CommandResult::Done, run(L""));
    EXPECT_EQ(CommandResult::Done, run(L"echo \xE9t\xE9  \"two  blanks\""));
    EXPECT_EQ(1u, captured_.countLines(L"\xE9t\xE9 two  blanks"));
    EXPECT_EQ(CommandResult::Done, run(L"help"));
    EXPECT_EQ(1u, captured_.countLines(L"wait-ready [timeout-ms]"));
}

TEST_F(CommandInterpreterTest, AScriptEndsAtItsFirstFailureNamingTheLine)
{
    EXPECT_CALL(actions_, showStatus()).WillOnce(Return(true));
    std::istringstream script("\xEF\xBB\xBF# demo\r\nstatus\r\nbogus\r\nstop\r\n");
    EXPECT_EQ(CommandResult::Failed, interpreter_.run(script, L"demo.txt", true, true));
    EXPECT_EQ(1u, captured_.countLines(L"> status"));
    EXPECT_EQ(0u, captured_.countLines(L"> # demo"));
    EXPECT_EQ(1u, captured_.countLines(L"hostsim: error: demo.txt:3: unknown command 'bogus'"));
    EXPECT_EQ(1u, captured_.countLines(L"demo.txt:3: the script ends here"));
}

TEST_F(CommandInterpreterTest, InteractiveInputGoesOnAfterAFailureUntilQuit)
{
    EXPECT_CALL(actions_, stop()).WillOnce(Return(false));
    EXPECT_CALL(actions_, showStatus()).Times(1).WillOnce(Return(true));
    std::istringstream input("stop\nbogus\nstatus\nquit\nstatus\n");
    EXPECT_EQ(CommandResult::Quit, interpreter_.run(input, L"stdin", false, false));
    EXPECT_EQ(0u, captured_.countLines(L"> "));
    EXPECT_EQ(1u, captured_.countLines(L"stdin:2: unknown command 'bogus'"));

    std::istringstream ended("status\n");
    EXPECT_CALL(actions_, showStatus()).WillOnce(Return(true));
    EXPECT_EQ(CommandResult::Quit, interpreter_.run(ended, L"stdin", false, false));
}

} // namespace
