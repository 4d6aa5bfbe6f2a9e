// benchhost: the host side of the benchmarks. Loads TavoMessenger.dll beside it, serves the host's
// extension API (the fake host), and runs the bare provider beside the module.
// Every mode first writes what the host's installer writes (the prefix is the bench's own).
//   benchhost serve                  start both, print "benchhost: ready", serve Office-side bench programs
//                                    (answering benchoffice's requests for the host's memory, and measuring
//                                    the event fan-out on "fanout <sinks> <processes> [--quick]" (to UC
//                                    contact sinks on "fanout-uc ...") and the
//                                    presence storm on "storm 1 <processes> [--quick]") until "quit"
//                                    or the end of standard input, then stop both and print whether the
//                                    module may be unloaded
//   benchhost in-process [--quick]   the calls measured in the host's own apartment (no marshaling), with
//                                    and without the host's logger work, and the host calls per call
//   benchhost scale [--quick]        get_MyContacts + enumeration and GetContact by name for host lists of
//                                    100, 1 000 and 10 000 contacts, in the host's own apartment
//   benchhost start-stop [--quick]   StartTavoMessenger to UpAndRunning 2 and StopTavoMessenger to
//                                    onStopped, against the bare start and stop
// Exit codes: 0 ran (targets may be missed), 1 a measurement failed, 2 could not run.

#include "measure/MeasuredCalls.h"
#include "measure/Stopwatch.h"
#include "host/ContactScale.h"
#include "host/FanOut.h"
#include "host/HeapProbe.h"
#include "host/HostCallCount.h"
#include "host/ModuleHost.h"
#include "host/PresenceStorm.h"

#include <objbase.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

using namespace bench;

namespace {

const int exitOk = 0;
const int exitFailed = 1;
const int exitCannotRun = 2;

int printRows(const std::vector<RatioRow>& rows)
{
    int status = exitOk;
    for (const RatioRow& row : rows) {
        std::printf("%s\n", row.line().c_str());
        if (row.failed()) status = exitFailed;
    }
    return status;
}

void printHostCalls(ModuleHost& host, const ProviderObjects& module, const ProviderObjects& bare, const char* when)
{
    struct Call {
        const char* name;
        HRESULT (*messengerCall)(IMessenger*);
        bool uc;
    };
    const Call calls[] = {{"get_MyStatus", callMyStatus, false},
                          {"GetContact + get_Status + Release", callContactStatus, false},
                          {"GetContactInformation(availability)", nullptr, true},
                          {"Invoke(MyStatus)", callLateBoundMyStatus, false}};
    for (const Call& call : calls) {
        for (const ProviderObjects* side : {&module, &bare}) {
            const std::string counted = hostCallsPerOperation(host.host(), 20, [&] {
                if (call.uc) callAvailability(side->ucContact.get());
                else call.messengerCall(side->messenger.get());
            });
            std::printf("host calls per %s, %s, %s: %s\n", call.name, side == &module ? "module" : "bare", when,
                        counted.c_str());
        }
    }
}

int inProcess(ModuleHost& host, bool quick)
{
    std::string why;
    const ProviderObjects module = connectModule(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchhost: error: module: %s\n", why.c_str()), exitFailed;
    const ProviderObjects bare = connectBare(CLSCTX_LOCAL_SERVER, why);
    if (!why.empty()) return std::printf("benchhost: error: bare: %s\n", why.c_str()), exitFailed;
    const RoundPlan plan{quick ? 9 : 21, 200, quick ? 10.0 : 30.0};

    printHostCalls(host, module, bare, "host logger on");
    int status = printRows(measureCalls(module, bare, "2", "in-process, with the host logger calls", plan));

    // The host answers every logger request at once with no logger: what is left of the module's logging
    // is its own side (the lock and the request), which the logging rules make it pay.
    host.host().failMethod(fakehost::HostMethod::CreateLogger);
    printHostCalls(host, module, bare, "host logger answering at once");
    std::vector<RatioRow> rows = measureCalls(module, bare, "2", "in-process, host logger work excluded", plan);
    for (RatioRow& row : rows) row.setTarget(atMost(1.10));
    if (printRows(rows) != exitOk) status = exitFailed;
    host.host().clearFailures();
    return status;
}

int contactScale(ModuleHost& host, bool quick)
{
    std::vector<std::string> growthLines;
    const int status = printRows(measureContactScale(host, quick, growthLines));
    for (const std::string& line : growthLines)
        if (!line.empty()) std::printf("%s\n", line.c_str());
    return status;
}

int startStop(ModuleHost& host, bool quick)
{
    RatioRow start("7", "StartTavoMessenger to UpAndRunning 2, vs a new MTA thread registering two class objects", "ms");
    RatioRow stop("7", "StopTavoMessenger to onStopped, vs revoking both and ending that thread", "ms");
    const int rounds = quick ? 5 : 15;
    start.setIterations(1);
    stop.setIterations(1);
    for (int round = -1; round < rounds; ++round) {
        double moduleStart = 0, moduleStop = 0, bareStart = 0, bareStop = 0;
        auto runModule = [&] {
            Stopwatch starting;
            if (!host.startModule()) return false;
            moduleStart = starting.elapsedNs();
            Stopwatch stopping;
            if (!host.stopModule()) return false;
            moduleStop = stopping.elapsedNs();
            return true;
        };
        auto runBare = [&] {
            Stopwatch starting;
            if (FAILED(host.bare().start())) return false;
            bareStart = starting.elapsedNs();
            Stopwatch stopping;
            host.bare().stop();
            bareStop = stopping.elapsedNs();
            return true;
        };
        const bool ran = round % 2 == 0 ? runModule() && runBare() : runBare() && runModule();
        if (!ran) {
            start.fail("a start or stop did not finish within 30 s");
            break;
        }
        if (round < 0) continue;
        start.add(moduleStart, bareStart);
        stop.add(moduleStop, bareStop);
    }
    return printRows({start, stop});
}

// After Office has let go and the host has stopped the module: may the module be unloaded, and did every
// host object go?
void printAfterStop(ModuleHost& host)
{
    using CanUnloadNow = HRESULT(WINAPI*)();
    const HMODULE module = GetModuleHandleW(L"TavoMessenger.dll");
    const auto canUnloadNow =
        module ? reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow"))) : nullptr;
    const HRESULT answer = canUnloadNow ? canUnloadNow() : E_NOTIMPL;
    std::printf("| 6 | after Office let go and the host stopped the module: DllCanUnloadNow, host objects alive | %s, %ld "
                "alive | | | 1 | S_OK, 0 alive | %s |\n",
                answer == S_OK ? "S_OK" : answer == S_FALSE ? "S_FALSE" : hresultText(answer).c_str(),
                host.host().liveObjectCount(), answer == S_OK && host.host().liveObjectCount() == 0 ? "met" : "MISSED");
}

int serve(ModuleHost& host)
{
    HeapProbe probe([&host] { return host.host().liveObjectCount(); });
    FanOut fanOut;
    PresenceStorm storm;
    if (FAILED(host.bare().start())) return std::printf("benchhost: error: the bare provider did not start\n"), exitCannotRun;
    if (!host.startModule()) return std::printf("benchhost: error: UpAndRunning did not read 2\n"), exitCannotRun;
    std::printf("benchhost: ready\n");
    std::fflush(stdout);
    int status = exitOk;
    std::string line;
    while (std::getline(std::cin, line) && line.rfind("quit", 0) != 0) {
        std::istringstream words(line);
        std::string command, option;
        int sinks = 0, processes = 0;
        words >> command >> sinks >> processes >> option;
        if (command == "storm" && processes >= 1) {
            bool failed = false;
            for (const std::string& row : storm.measure(host, processes, option == "--quick", failed))
                std::printf("%s\n", row.c_str());
            if (failed) status = exitFailed;
            std::fflush(stdout);
            continue;
        }
        if ((command != "fanout" && command != "fanout-uc") || sinks < 1 || processes < 1) {
            std::printf("benchhost: error: unknown command: %s\n", line.c_str());
            status = exitFailed;
            continue;
        }
        if (printRows(fanOut.measure(host, sinks, processes, command == "fanout-uc", option == "--quick")) != exitOk) status = exitFailed;
        std::fflush(stdout);
    }
    const bool stopped = host.stopModule();
    host.bare().stop();
    if (stopped) printAfterStop(host);
    std::printf("benchhost: %s\n", stopped ? "stopped" : "error: onStopped was not called");
    return stopped ? status : exitFailed;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string option = argc > 2 ? argv[2] : "";
    if (mode != "serve" && mode != "in-process" && mode != "scale" && mode != "start-stop") {
        std::fprintf(stderr, "usage: benchhost serve | in-process|scale|start-stop [--quick]\n");
        return exitCannotRun;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return exitCannotRun;
    int status = exitCannotRun;
    {
        ModuleHost host(moduleBesideProgram());
        if (!host.problem().empty()) {
            std::printf("benchhost: error: %s\n", host.problem().c_str());
        } else if (!host.install()) {
            std::printf("benchhost: error: installing the provider failed\n");
        } else if (mode == "serve") {
            status = serve(host);
        } else if (mode == "start-stop") {
            status = startStop(host, option == "--quick");
        } else if (FAILED(host.bare().start()) || !host.startModule()) {
            std::printf("benchhost: error: the providers did not start\n");
        } else {
            status = mode == "scale" ? contactScale(host, option == "--quick") : inProcess(host, option == "--quick");
        }
    }
    CoUninitialize();
    return status;
}
