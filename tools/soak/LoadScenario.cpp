// Load with churn: Office's 8 threads (STA and MTA) make mixed calls on both APIs, looking people up and
// letting them go and churning sinks and subscriptions, while the host storms the watched contacts with
// presence changes. Every call must succeed; every standing sink must receive every change of its
// contacts once and in order; what the host holds must stay bounded by what Office holds, and its memory
// flat; once Office has gone and the host stopped, nothing may be left.
#include "soak/HostSampler.h"
#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/Scenarios.h"

namespace soak {

namespace {

const int officeThreads = 8;
const int watchedContacts = 4;
const DWORD stormPeriodMs = 40;
const DWORD warmUpMs = 5000;
const long long memoryGrowthLimit = 48ll * 1024 * 1024;
// What Office holds at most: per thread its standing contacts and a few in flight, each a host contact
// with one event connection. A runaway (contacts kept alive after Office let them go) passes it by far.
const long contactConnectionLimit = officeThreads * (watchedContacts + 8);
// Measured: about 8 host objects per connection with a slow storm (367 at 47 connections), and about 160
// more with this storm, held by the changes queued until every Office sink has been told.
const long liveObjectLimit = 8 * contactConnectionLimit;

} // namespace

void runLoadWithChurn(ScenarioRun& run)
{
    const long calls = run.quick ? 150 : 3000;
    const DWORD callsTimeoutMs = run.quick ? 150000 : 1500000;
    HostSampler sampler(run.host.host());
    PresenceStorm storm(run.host.host(), watchedContacts, stormPeriodMs);
    OfficeProcess office(L"load", L"load --threads " + std::to_wstring(officeThreads) + L" --calls " +
                                      std::to_wstring(calls) + L" --watch " + std::to_wstring(watchedContacts) +
                                      L" --check --seed " + std::to_wstring(run.seed),
                         run.output);
    if (!office.waitForReady()) {
        run.figures.fail(L"Office did not connect and advise");
        return;
    }
    const ULONGLONG begin = GetTickCount64();
    storm.start();
    Sleep(warmUpMs);
    sampler.markWarm();
    const bool done = office.waitFor(L"soakoffice: calls done", callsTimeoutMs);
    storm.stop();
    const ULONGLONG loadMs = GetTickCount64() - begin;
    if (!done) run.figures.fail(L"Office's calls did not end in time");
    const std::optional<DWORD> exitCode = office.finish(300000);
    run.figures.exactly(L"Office exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);

    const long made = office.figure(L"calls").value_or(0);
    run.figures.atLeast(L"Office COM calls made", made, officeThreads * calls);
    run.figures.exactly(L"unexpected HRESULTs", office.figure(L"unexpected").value_or(-1), 0);
    run.figures.info(L"calls per second", std::to_wstring(made * 1000 / static_cast<long>(std::max<ULONGLONG>(loadMs, 1))));
    run.figures.info(L"presence changes fired", std::to_wstring(storm.firedTotal()));
    recordEvents(run, L"Office", office, storm, watchedContacts);
    run.figures.exactly(L"known answers wrong at the end", office.figure(L"check-failures").value_or(-1), 0);

    const HostSample highest = sampler.highest();
    run.figures.atMost(L"host contact connections (most)", highest.contactConnections, contactConnectionLimit);
    run.figures.atMost(L"host live objects (most)", highest.liveObjects, liveObjectLimit);
    run.figures.atMost(L"host presence listeners (most)", highest.listeners, 1);
    const long long growth = static_cast<long long>(highest.privateBytes) - static_cast<long long>(sampler.warmBytes());
    run.figures.info(L"host private bytes after warm-up (MB)", std::to_wstring(sampler.warmBytes() / (1024 * 1024)));
    run.figures.atMost(L"host memory growth after warm-up (MB)", growth / (1024 * 1024), memoryGrowthLimit / (1024 * 1024));

    stopAndRecord(run, 60000);
    recordCleanEnd(run);
}

} // namespace soak
