// Dying Office: an Office is killed while its sinks are advised and its threads are mid-call. Another
// Office, connected all along, must still get every change; a new Office must connect and be served; the
// stop must complete.
#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/Scenarios.h"

namespace soak {

namespace {

const int watchedContacts = 4;
const DWORD stormPeriodMs = 50;

} // namespace

void runDyingOffice(ScenarioRun& run)
{
    const std::wstring seed = L" --seed " + std::to_wstring(run.seed);
    PresenceStorm storm(run.host.host(), watchedContacts, stormPeriodMs);
    // One Office connects at a time: the scenario is about an Office that dies, not two that connect at once.
    OfficeProcess survivor(L"survivor", L"load --threads 2 --watch 4" + seed, run.output);
    if (!survivor.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    OfficeProcess victim(L"victim", L"load --threads 4 --calls 1000000 --watch 4" + seed, run.output);
    if (!victim.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    storm.start();
    Sleep(run.quick ? 3000 : 10000); // the victim calls and receives meanwhile
    victim.kill();
    const ULONGLONG killed = GetTickCount64();
    Sleep(run.quick ? 3000 : 10000); // changes keep coming: the module fires to the dead sinks too
    storm.stop();
    run.figures.info(L"changes fired after the kill (s)", std::to_wstring((GetTickCount64() - killed) / 1000));
    {
        OfficeProcess newcomer(L"newcomer", L"load --threads 2 --calls 100 --check" + seed, run.output);
        const bool served = newcomer.waitFor(L"soakoffice: calls done", 120000);
        run.figures.check(L"a new Office connects after the kill", served ? L"yes" : L"no", served, L"yes");
        const std::optional<DWORD> exitCode = newcomer.finish(120000);
        run.figures.exactly(L"new Office exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
        run.figures.exactly(L"new Office: unexpected HRESULTs", newcomer.figure(L"unexpected").value_or(-1), 0);
        run.figures.exactly(L"new Office: wrong known answers", newcomer.figure(L"check-failures").value_or(-1), 0);
    }
    const std::optional<DWORD> exitCode = survivor.finish(300000);
    run.figures.exactly(L"surviving Office exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
    recordEvents(run, L"surviving Office", survivor, storm, watchedContacts);
    stopAndRecord(run, 60000);
    recordCleanEnd(run, CleanEnd::OfficeKilled);
}

} // namespace soak
