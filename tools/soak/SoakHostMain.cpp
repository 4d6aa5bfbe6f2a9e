// soakhost: one scenario of the reliability soak in a host process of its own. It loads and installs
// TavoMessenger.dll over the fake host client, starts it, runs the scenario (starting officesoak.exe
// processes beside it as Office), prints the figures and the verdict, and exits 0 when the scenario held,
// 1 when it failed, 2 when it could not run.
//   soakhost --scenario load|cycles|dying-office|hung-office|failing-host|fuzz [--quick] [--seed N]
#include "soak/Scenarios.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <map>

using namespace soak;

namespace {

const std::map<std::wstring, void (*)(ScenarioRun&)> scenarios = {
    {L"load", runLoadWithChurn},         {L"cycles", runStartStopCycles}, {L"dying-office", runDyingOffice},
    {L"hung-office", runHungOffice},     {L"failing-host", runFailingHost}, {L"fuzz", runFuzzedInput},
};

struct Arguments {
    std::wstring scenario;
    bool quick = false;
    unsigned seed = 1;
};

bool parse(int argc, wchar_t** argv, Arguments& arguments)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (name == L"--quick") arguments.quick = true;
        else if (name == L"--scenario" && i + 1 < argc) arguments.scenario = argv[++i];
        else if (name == L"--seed" && i + 1 < argc) arguments.seed = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        else return false;
    }
    return scenarios.count(arguments.scenario) == 1;
}

int runScenario(const Arguments& arguments, tools::ConsoleOutput& output)
{
    SoakHost host(output);
    if (!host.problem().empty()) {
        output.error(host.problem());
        return 2;
    }
    Figures figures(arguments.scenario, output);
    ScenarioRun run{host, figures, output, arguments.quick, arguments.seed};
    host.start();
    if (!host.waitUntilReady(60000)) {
        figures.fail(L"UpAndRunning did not reach 2");
    } else {
        output.note(L"scenario " + arguments.scenario + (arguments.quick ? L" (quick)" : L"") + L", seed " +
                    std::to_wstring(arguments.seed));
        scenarios.at(arguments.scenario)(run);
    }
    return figures.verdict() ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // The host side of the soak speaks as hostsim does; scripts/soak picks out its "hostsim: error" lines.
    tools::ConsoleOutput output(L"hostsim");
    Arguments arguments;
    if (!parse(argc, argv, arguments)) {
        output.error(L"usage: soakhost --scenario load|cycles|dying-office|hung-office|failing-host|fuzz [--quick] [--seed N]");
        return 2;
    }
    // A host client runs the module from its multithreaded apartment.
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
    const int exitCode = runScenario(arguments, output);
    CoUninitialize();
    return exitCode;
}
