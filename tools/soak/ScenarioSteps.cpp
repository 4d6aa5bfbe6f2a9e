#include "soak/Scenarios.h"

#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/SoakPeople.h"

#include "common/ImProviderRegistry.h"

namespace soak {

namespace {

const DWORD releaseGraceMs = 10000; // COM lets a dead client's references go after a while

} // namespace

StopOutcome stopAndRecord(ScenarioRun& run, DWORD timeoutMs)
{
    const StopOutcome stop = run.host.stop(timeoutMs);
    run.figures.check(L"stop completes (ms)", std::to_wstring(stop.milliseconds), stop.completed,
                      L"< " + std::to_wstring(timeoutMs));
    run.figures.exactly(L"stopped callbacks", stop.callbackCalls, 1);
    return stop;
}

void recordCleanEnd(ScenarioRun& run, CleanEnd end)
{
    fakehost::FakeHost& host = run.host.host();
    run.figures.exactly(L"host listeners after the stop", static_cast<long long>(host.listenerCount()), 0);
    const long keptSinks = static_cast<long>(host.contactSinkCount());
    if (end == CleanEnd::HostFailed) {
        run.figures.info(L"module sinks the host kept (its Unadvise failed)", std::to_wstring(keptSinks));
        host.shutdown();
    } else if (end == CleanEnd::Fuzzed) {
        run.figures.info(L"module sinks the host still holds", std::to_wstring(keptSinks));
    } else if (end == CleanEnd::AllOfficesLeft) {
        run.figures.exactly(L"module sinks the host still holds", keptSinks, 0);
    }
    const ULONGLONG begin = GetTickCount64();
    while ((host.liveObjectCount() != 0 || run.host.canUnloadNow() != S_OK) && GetTickCount64() - begin < releaseGraceMs)
        Sleep(100);
    const long objects = host.liveObjectCount();
    const HRESULT unload = run.host.canUnloadNow();
    const std::wstring unloadText = unload == S_OK ? L"S_OK" : L"S_FALSE or failure";
    if (end == CleanEnd::OfficeKilled) {
        run.figures.info(L"host objects after the stop (the killed Office's included)", std::to_wstring(objects));
        run.figures.info(L"DllCanUnloadNow (the killed Office's references included)", unloadText);
    } else if (end == CleanEnd::Fuzzed) {
        run.figures.info(L"host objects after the stop (Wine's refused calls keep arguments)", std::to_wstring(objects));
        run.figures.info(L"DllCanUnloadNow (Wine's refused calls keep arguments)", unloadText);
    } else {
        run.figures.exactly(L"host objects after the stop", objects, 0);
        run.figures.check(L"DllCanUnloadNow", unloadText, unload == S_OK, L"S_OK");
    }
    const std::optional<DWORD> upAndRunning = tools::readUpAndRunning();
    run.figures.exactly(L"UpAndRunning after the stop", upAndRunning ? static_cast<long long>(*upAndRunning) : -1, 0);
}

void recordEvents(ScenarioRun& run, const std::wstring& office, const OfficeProcess& process,
                  const PresenceStorm& storm, int watched)
{
    long lost = 0, duplicated = 0, orderFaults = 0, received = 0, expected = 0, foreign = 0;
    for (const ContactEventFigures& events : process.events()) {
        int index = -1;
        for (int i = 0; i < watched; ++i)
            if (events.contact == contactSigninName(i)) index = i;
        if (index < 0) {
            ++foreign;
            continue;
        }
        // Presence is state: what counts is that every sink ends with the last status fired (UC events
        // carry no status: each sink must have heard of a contact that changed).
        const long fired = storm.fired(index);
        if (events.api == L"messenger") lost += fired > 0 && events.lastStatus != storm.lastStatus(index) ? 1 : 0;
        else lost += fired > 0 && events.fewest == 0 ? 1 : 0;
        duplicated += std::max(0L, events.most - fired);
        orderFaults += events.orderFaults;
        received += events.fewest * events.sinks;
        expected += fired * events.sinks;
    }
    run.figures.info(office + L": events fired to its sinks", std::to_wstring(expected));
    run.figures.info(office + L": events received (fewest per sink x sinks)", std::to_wstring(received));
    run.figures.exactly(office + L": contacts whose last state did not arrive", lost, 0);
    run.figures.exactly(office + L": events duplicated (most per sink)", duplicated, 0);
    // A status equal to the one before is either a duplicate or a storm of a whole presence cycle that
    // the sink was not sent (latest state wins): counted, not judged.
    run.figures.info(office + L": statuses repeating the one before", std::to_wstring(orderFaults));
    run.figures.exactly(office + L": events for unknown contacts", foreign, 0);
}

} // namespace soak
