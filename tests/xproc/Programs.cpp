#include "Programs.h"

namespace xproc {

std::wstring quotedBesideTestProgram(const std::wstring& fileName)
{
    return L"\"" + besideTestProgram(fileName) + L"\"";
}

HostSim::HostSim(const std::wstring& moreArguments)
    : process_(L"hostsim.exe",
               L"--install --directory " + quotedBesideTestProgram(L"demo-directory.txt") + L" " + moreArguments)
{
}

bool HostSim::ready(DWORD timeoutMs, std::size_t from)
{
    return process_.waitForLine(L"hostsim: ready (UpAndRunning 2)", timeoutMs, from).has_value();
}

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

bool HostSim::running()
{
    return !process_.waitForExit(0).has_value();
}

OfficeSim::OfficeSim(const std::wstring& arguments, const std::wstring& program) : process_(program, arguments) {}

bool OfficeSim::waiting(DWORD timeoutMs)
{
    return process_.waitForLine(L"officesim: waiting", timeoutMs).has_value();
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

} // namespace xproc
