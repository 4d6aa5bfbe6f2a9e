#pragma once

// The two programs of the cross-process suite as the suite drives them: hostsim.exe, the host client with
// the module, taking commands on its standard input; officesim.exe, Office, run once per scenario. Each
// scenario: the registry that hostsim's installation and the module write, saved, then put back; one
// hostsim process, ready before the scenario starts and made to quit after it (never killed: Wine's rpcss
// would keep a killed server's class registration and send later activations to it).

#include "ChildProcess.h"

#include "SavedModuleRegistration.h"
#include "common/ProgramFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace xproc {

using tools::besideThisProgram;

// hostsim with the demo directory beside it, installing the provider as the host's installer does.
class HostSim : public ChildProcess {
public:
    HostSim() : ChildProcess(L"hostsim.exe", L"--install --directory \"" + besideThisProgram(L"demo-directory.txt") + L"\"") {}

    // Waits for "hostsim: ready (UpAndRunning 2)" after the line `from`.
    bool ready(DWORD timeoutMs = 60000, std::size_t from = 0)
    { return waitForLine(L"hostsim: ready (UpAndRunning 2)", timeoutMs, from).has_value(); }
    // Sends the command and waits until hostsim has run it (a marker echoed after it comes back).
    bool run(const std::string& command, DWORD timeoutMs = 30000);
    // Sends quit and waits for the exit code; nothing when it did not end in time.
    std::optional<DWORD> quit(DWORD timeoutMs = 30000)
    {
        send("quit");
        closeInput();
        return waitForExit(timeoutMs);
    }
    bool running() { return !waitForExit(0).has_value(); }

private:
    int markers_ = 0;
};

// One run of officesim (or of the other architecture's build of it).
class OfficeSim : public ChildProcess {
public:
    explicit OfficeSim(const std::wstring& arguments, const std::wstring& program = L"officesim.exe") : ChildProcess(program, arguments) {}

    // Waits for "officesim: waiting", the moment for the host to act.
    bool waiting(DWORD timeoutMs = 60000) { return waitForLine(L"officesim: waiting", timeoutMs).has_value(); }
    // The exit code; nothing when it did not end in time (it is then killed).
    std::optional<DWORD> finish(DWORD timeoutMs = 120000)
    {
        const std::optional<DWORD> exitCode = waitForExit(timeoutMs);
        if (!exitCode) kill();
        return exitCode;
    }
};

// The demo directory's people the scenarios use.
constexpr const wchar_t* Bo = L"bo.lindqvist@quillon.example";    // available, in the contact list
constexpr const wchar_t* Carla = L"carla.moreno@quillon.example"; // away, in the contact list
constexpr const wchar_t* CarlaEmail = L"carla.moreno@corp.example";
constexpr const wchar_t* HiroEmail = L"hiro.tanaka@corp.example";

class OfficeAgainstHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host_.started() && host_.ready()) << "hostsim did not become ready:\n" << host_.output(); }
    void TearDown() override;

    // `presence <sign-in> <presence>` run by the host; true once hostsim has run it.
    bool changePresence(const wchar_t* signinName, const char* presence);

    registrytest::SavedHostInstallation registry_{besideThisProgram(L"TavoMessenger.dll"),
                                                  registrytest::SavedModuleRegistration::Start::AsFound};
    HostSim host_;
};

// How officesim's lines that report an event as it came begin.
constexpr const wchar_t* eventLine = L"officesim: event +";
// Whether the line of officesim's reports such an event containing `text`.
inline bool isEvent(const std::wstring& line, const std::wstring& text)
{
    return line.rfind(eventLine, 0) == 0 && line.find(text) != std::wstring::npos;
}

// How many lines contain each text (events: only the lines that report an event), with the output on failure.
struct Expected { std::size_t count; const wchar_t* text; bool event = false; };
void expectLines(const ChildProcess& run, std::initializer_list<Expected> expected);

// "--contact <name>" for each name.
std::wstring contactArguments(std::initializer_list<const wchar_t*> names);

} // namespace xproc
