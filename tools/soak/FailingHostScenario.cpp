// Failing host: during load every host method fails at random for 10 % of its calls (E_FAIL,
// RPC_E_DISCONNECTED, E_OUTOFMEMORY or an empty answer). Office may see failures or fallback values but
// never a crash or a hang; right after the faults stop, the known answers must be right again.
#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/RandomHostFailures.h"
#include "soak/Scenarios.h"

namespace soak {

namespace {

const unsigned failurePercent = 10;
const int officeThreads = 8;
const int watchedContacts = 4;

} // namespace

void runFailingHost(ScenarioRun& run)
{
    const long calls = run.quick ? 50 : 1000;
    PresenceStorm storm(run.host.host(), watchedContacts, 40);
    OfficeProcess office(L"load", L"load --threads " + std::to_wstring(officeThreads) + L" --calls " +
                                      std::to_wstring(calls) + L" --watch " + std::to_wstring(watchedContacts) +
                                      L" --check --seed " + std::to_wstring(run.seed),
                         run.output);
    if (!office.waitForReady()) {
        run.figures.fail(L"Office did not connect and advise");
        return;
    }
    RandomHostFailures failures(failurePercent, run.seed);
    run.host.host().setOutcomeSource([&failures](fakehost::HostMethod) { return failures.next(); });
    storm.start();
    const bool done = office.waitFor(L"soakoffice: calls done", run.quick ? 300000 : 1500000);
    storm.stop();
    run.host.host().setOutcomeSource(nullptr);
    if (!done) run.figures.fail(L"Office's calls did not end in time");
    run.figures.info(L"host calls failed at random", std::to_wstring(failures.failures()));
    const std::optional<DWORD> exitCode = office.finish(300000);
    run.figures.exactly(L"Office exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
    run.figures.atLeast(L"Office COM calls made", office.figure(L"calls").value_or(0), officeThreads * calls);
    run.figures.info(L"calls that failed or answered a fallback", std::to_wstring(office.figure(L"unexpected").value_or(-1)));
    run.figures.exactly(L"known answers wrong after the faults", office.figure(L"check-failures").value_or(-1), 0);
    stopAndRecord(run, 60000);
    recordCleanEnd(run, CleanEnd::HostFailed);
}

} // namespace soak
