#pragma once

// The two programs of the cross-process suite as the suite drives them: hostsim.exe, the host client with
// the module, taking commands on its standard input; officesim.exe, Office, run once per scenario.

#include "ChildProcess.h"

#include <optional>
#include <string>

namespace xproc {

// hostsim with the demo directory beside it, installing the provider as the host's installer does.
class HostSim {
public:
    explicit HostSim(const std::wstring& moreArguments = std::wstring());

    // Waits for "hostsim: ready (UpAndRunning 2)" after the line `from`.
    bool ready(DWORD timeoutMs = 60000, std::size_t from = 0);
    // Sends the command and waits until hostsim has run it (a marker echoed after it comes back).
    bool run(const std::string& command, DWORD timeoutMs = 30000);
    // Sends quit and waits for the exit code; nothing when it did not end in time.
    std::optional<DWORD> quit(DWORD timeoutMs = 30000);
    bool running();

    ChildProcess& process() { return process_; }

private:
    ChildProcess process_;
    int markers_ = 0;
};

// One run of officesim (or of the other architecture's build of it).
class OfficeSim {
public:
    explicit OfficeSim(const std::wstring& arguments, const std::wstring& program = L"officesim.exe");

    // Waits for "officesim: waiting", the moment for the host to act.
    bool waiting(DWORD timeoutMs = 60000);
    // The exit code; nothing when it did not end in time (it is then killed).
    std::optional<DWORD> finish(DWORD timeoutMs = 120000);

    ChildProcess& process() { return process_; }

private:
    ChildProcess process_;
};

// A finished officesim run.
struct OfficeRun {
    std::optional<DWORD> exitCode;
    std::wstring output;
};
OfficeRun runOffice(const std::wstring& arguments, const std::wstring& program = L"officesim.exe");

// The full path of a file beside the test program, quoted.
std::wstring quotedBesideTestProgram(const std::wstring& fileName);

} // namespace xproc
