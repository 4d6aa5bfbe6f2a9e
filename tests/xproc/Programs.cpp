#include "Programs.h"

namespace xproc {

bool HostSim::run(const std::string& command, DWORD timeoutMs)
{
    const std::string marker = "xproc-done-" + std::to_string(++markers_);
    const std::size_t from = process_.lineCount();
    if (!process_.send(command) || !process_.send("echo " + marker)) return false;
    const std::wstring wideMarker(marker.begin(), marker.end());
    return process_.waitForLine(wideMarker, timeoutMs, from).has_value();
}

std::optional<DWORD> HostSim::quit(DWORD timeoutMs)
{
    process_.send("quit");
    process_.closeInput();
    return process_.waitForExit(timeoutMs);
}

std::optional<DWORD> OfficeSim::finish(DWORD timeoutMs)
{
    const std::optional<DWORD> exitCode = process_.waitForExit(timeoutMs);
    if (!exitCode) process_.kill();
    return exitCode;
}

OfficeRun runOffice(const std::wstring& arguments, const std::wstring& program)
{
    OfficeSim office(arguments, program);
    OfficeRun run;
    run.exitCode = office.finish();
    run.output = office.process().output();
    return run;
}

void OfficeAgainstHost::SetUp()
{
    ASSERT_TRUE(host_.process().started()) << "hostsim.exe did not start";
    ASSERT_TRUE(host_.ready()) << host_.process().output();
}

void OfficeAgainstHost::TearDown()
{
    if (!host_.running()) return;
    const std::optional<DWORD> exitCode = host_.quit();
    EXPECT_EQ(std::optional<DWORD>(0), exitCode) << "hostsim did not quit cleanly:\n" << host_.process().output();
}

bool OfficeAgainstHost::changePresence(const wchar_t* signinName, const char* presence)
{
    const std::wstring name(signinName);
    return host_.run("presence " + std::string(name.begin(), name.end()) + " " + presence);
}

std::size_t countEvents(const ChildProcess& office, const std::wstring& text)
{
    std::size_t count = 0;
    for (const OutputLine& line : office.lines()) {
        if (line.text.rfind(L"officesim: event +", 0) == 0 && line.text.find(text) != std::wstring::npos) ++count;
    }
    return count;
}

std::wstring contactArguments(std::initializer_list<const wchar_t*> names)
{
    std::wstring arguments;
    for (const wchar_t* name : names) arguments += L" --contact " + std::wstring(name);
    return arguments;
}

void expectLines(const ChildProcess& run, std::initializer_list<Expected> expected)
{
    for (const Expected& each : expected)
        EXPECT_EQ(each.count, each.event ? countEvents(run, each.text) : run.countLines(each.text)) << run.output();
}

} // namespace xproc
