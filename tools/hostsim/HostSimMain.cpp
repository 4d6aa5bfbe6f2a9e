// hostsim: a host client simulator. Loads TavoMessenger.dll, serves the host's extension API over a contact
// directory, starts the module and takes commands (standard input or a script) until quit. See
// HostSimOptions.h for the command line, CommandInterpreter.h for the commands, ContactDirectory.h for the
// directory format.
#include "common/ProgramFolder.h"
#include "hostsim/CommandInterpreter.h"
#include "common/ConsoleOutput.h"
#include "hostsim/ContactDirectory.h"
#include "hostsim/HostSimOptions.h"
#include "hostsim/HostSimulator.h"
#include "hostsim/ProviderInstallation.h"
#include "hostsim/TavoModule.h"
#include "hostsim/TextUtils.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>

using namespace hostsim;

namespace {

const int exitOk = 0;
const int exitCommandFailed = 1;
const int exitCannotRun = 2;

std::atomic<HostSimulator*> runningSimulator{nullptr};

// Ctrl+C ends a running "wait"; otherwise it ends the program as usual.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    HostSimulator* simulator = runningSimulator.load();
    return simulator && simulator->interruptWait() ? TRUE : FALSE;
}

bool install(const TavoModule& module, tools::ConsoleOutput& output)
{
    bool succeeded = true;
    for (const InstallStep& step : installProvider(module)) {
        if (SUCCEEDED(step.result)) {
            output.note(L"install: " + step.description + L": done");
        } else {
            output.error(L"install: " + step.description + L": failed with " +
                         hexCode(static_cast<unsigned long>(step.result)));
            succeeded = false;
        }
    }
    return succeeded;
}

int runCommands(HostSimulator& simulator, const HostSimOptions& options, tools::ConsoleOutput& output)
{
    CommandInterpreter interpreter(simulator, output);
    CommandResult result = CommandResult::Quit;
    if (options.scriptPath.empty()) {
        output.note(L"reading commands from standard input (help lists them)");
        result = interpreter.run(std::cin, L"stdin", false, false);
    } else {
        std::ifstream script(std::filesystem::path(options.scriptPath), std::ios::binary);
        if (!script) {
            output.error(L"cannot read the script " + options.scriptPath);
            return exitCannotRun;
        }
        result = interpreter.run(script, options.scriptPath, true, true);
    }
    return result == CommandResult::Failed ? exitCommandFailed : exitOk;
}

int runSimulator(const HostSimOptions& options, tools::ConsoleOutput& output)
{
    const std::wstring directoryPath =
        options.directoryPath.empty() ? tools::besideThisProgram(L"demo-directory.txt") : options.directoryPath;
    std::wstring error;
    std::optional<ContactDirectory> directory = loadDirectory(directoryPath, error);
    if (!directory) {
        output.error(error);
        return exitCannotRun;
    }
    output.note(L"directory " + directoryPath + L": user " + directory->user.record.signinName + L" and " +
                std::to_wstring(directory->contacts.size()) + L" contacts");

    TavoModule module(options.modulePath.empty() ? tools::besideThisProgram(L"TavoMessenger.dll") : options.modulePath);
    if (!module.problem().empty()) {
        output.error(module.problem());
        return exitCannotRun;
    }
    output.note(L"loaded " + module.path());
    if (options.install) {
        if (!install(module, output)) return exitCannotRun;
    } else {
        output.note(L"registry left as it is (--install writes what the host's installer writes)");
    }

    SimulatorSettings settings;
    settings.directory = std::move(*directory);
    settings.defaultFlags = options.flags;
    settings.logLevel = options.logLevel;
    settings.resolutionMode = options.resolutionMode;
    HostSimulator simulator(module.exports(), std::move(settings), output);
    if (FAILED(simulator.hostRegistration())) return exitCannotRun;
    runningSimulator = &simulator;
    if (options.startAtLaunch) simulator.start(std::nullopt);
    int exitCode = runCommands(simulator, options, output);
    if (simulator.started() && !simulator.stop()) exitCode = exitCommandFailed;
    runningSimulator = nullptr;
    return exitCode;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    tools::ConsoleOutput output(L"hostsim");
    std::wstring error;
    const std::optional<HostSimOptions> options =
        parseHostSimOptions(std::vector<std::wstring>(argv + 1, argv + argc), error);
    if (!options) {
        output.error(error);
        output.line(HostSimUsage);
        return exitCannotRun;
    }
    if (options->help) {
        output.line(HostSimUsage);
        CommandInterpreter::printHelp(output);
        return exitOk;
    }
    // A host client runs the module from its multithreaded apartment (see HostSimulator.h).
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(initialised)) {
        output.error(L"CoInitializeEx failed with " + hexCode(static_cast<unsigned long>(initialised)));
        return exitCannotRun;
    }
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    const int exitCode = runSimulator(*options, output);
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    output.note(L"exit " + std::to_wstring(exitCode));
    CoUninitialize();
    return exitCode;
}
