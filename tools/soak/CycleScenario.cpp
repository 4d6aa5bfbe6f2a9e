// Start/stop cycles: one host process stops and starts the module again and again while an Office stays
// connected and keeps calling what it holds. Each cycle: UpAndRunning 1 or 2 right after the start, 2 once
// published, 0 after the stop; the stopped callback exactly once; Office reconnects and gets the right
// answers; the objects of stopped connections fail cleanly; no call hangs.
#include "soak/OfficeProcess.h"
#include "soak/Scenarios.h"

#include "common/ImProviderRegistry.h"

namespace soak {

namespace {

const DWORD stopTimeoutMs = 30000;
const DWORD stoppedPauseMs = 300; // Office calls its stopped objects meanwhile

} // namespace

void runStartStopCycles(ScenarioRun& run)
{
    const int cycles = run.quick ? 10 : 50;
    OfficeProcess office(L"cycles", L"cycles --seed " + std::to_wstring(run.seed), run.output);
    if (!office.waitFor(L"soakoffice: connected 1", 60000)) {
        run.figures.fail(L"Office did not connect");
        return;
    }
    int stopsCompleted = 0, callbackFaults = 0, upAndRunningFaults = 0, reconnects = 0;
    DWORD slowestStop = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const StopOutcome stop = run.host.stop(stopTimeoutMs);
        if (!stop.completed) {
            run.figures.fail(L"cycle " + std::to_wstring(cycle) + L": the stop did not complete");
            break;
        }
        ++stopsCompleted;
        slowestStop = std::max(slowestStop, stop.milliseconds);
        if (stop.callbackCalls != 1) ++callbackFaults;
        if (tools::readUpAndRunning() != std::optional<DWORD>(0)) ++upAndRunningFaults;
        Sleep(stoppedPauseMs);
        const std::optional<DWORD> starting = run.host.start();
        if (starting != std::optional<DWORD>(1) && starting != std::optional<DWORD>(2)) ++upAndRunningFaults;
        if (!run.host.waitUntilReady(30000)) {
            run.figures.fail(L"cycle " + std::to_wstring(cycle) + L": UpAndRunning did not reach 2");
            break;
        }
        if (!office.waitFor(L"soakoffice: connected " + std::to_wstring(cycle + 1), 60000)) {
            run.figures.fail(L"cycle " + std::to_wstring(cycle) + L": Office did not reconnect");
            break;
        }
        ++reconnects;
    }
    run.figures.exactly(L"stops completed", stopsCompleted, cycles);
    run.figures.info(L"slowest stop (ms)", std::to_wstring(slowestStop));
    run.figures.exactly(L"cycles with other than one stopped callback", callbackFaults, 0);
    run.figures.exactly(L"UpAndRunning out of 1/2/0 order", upAndRunningFaults, 0);
    run.figures.exactly(L"Office reconnected", reconnects, cycles);
    Sleep(6000); // the last stopped connections get past their grace and are judged too
    const std::optional<DWORD> exitCode = office.finish(60000);
    run.figures.exactly(L"Office exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
    run.figures.exactly(L"Office: wrong known answers after reconnecting", office.figure(L"wrong-answers").value_or(-1), 0);
    run.figures.info(L"Office: calls", std::to_wstring(office.figure(L"calls").value_or(-1)));
    run.figures.atLeast(L"Office: calls on stopped objects", office.figure(L"judged-calls").value_or(-1), 1);
    run.figures.exactly(L"Office: stopped objects answering as running", office.figure(L"unclean-calls").value_or(-1), 0);
    run.figures.exactly(L"Office: calls slower than 5 s", office.figure(L"slow-calls").value_or(-1), 0);
    stopAndRecord(run, stopTimeoutMs);
    recordCleanEnd(run);
}

} // namespace soak
