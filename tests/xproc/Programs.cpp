#include "Programs.h"

namespace xproc {

bool HostSim::run(const std::string& command, DWORD timeoutMs)
{
    const std::string marker = "xproc-done-" + std::to_string(++markers_);
    const std::size_t from = lineCount();
    return send(command) && send("echo " + marker) && waitForLine(std::wstring(marker.begin(), marker.end()), timeoutMs, from).has_value();
}

void OfficeAgainstHost::TearDown()
{
    // Braces: the check's macro is an if-else of its own.
    if (host_.running()) {
        EXPECT_EQ(std::optional<DWORD>(0), host_.quit()) << "hostsim did not quit cleanly:\n" << host_.output();
    }
}

bool OfficeAgainstHost::changePresence(const wchar_t* signinName, const char* presence)
{
    const std::wstring name(signinName);
    return host_.run("presence " + std::string(name.begin(), name.end()) + " " + presence);
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
        EXPECT_EQ(each.count, run.countLines(each.text, each.event ? eventLine : L"")) << run.output();
}

} // namespace xproc
