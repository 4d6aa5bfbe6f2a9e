// Fuzzed input: seeded malformed calls over every member of the type library and the virtual-table
// members that take arrays. Each must be answered (Office ends itself with exit code 3 on a call that has
// not returned in 20 s); a known getter must answer right afterwards; the module must still stop cleanly.
#include "soak/OfficeProcess.h"
#include "soak/Scenarios.h"

namespace soak {

void runFuzzedInput(ScenarioRun& run)
{
    const long calls = run.quick ? 1500 : 20000;
    run.output.note(L"fuzz seed " + std::to_wstring(run.seed) + L" (replay: scripts/soak --seed " + std::to_wstring(run.seed) + L")");
    OfficeProcess office(L"fuzz", L"fuzz --calls " + std::to_wstring(calls) + L" --seed " + std::to_wstring(run.seed), run.output);
    const std::optional<DWORD> exitCode = office.waitForExit(run.quick ? 300000 : 1500000);
    run.figures.info(L"seed", std::to_wstring(run.seed));
    run.figures.exactly(L"Office exit code (3: a call hung)", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
    run.figures.atLeast(L"calls answered", office.figure(L"calls").value_or(0), calls);
    run.figures.info(L"objects / interfaces reached",
                     std::to_wstring(office.figure(L"objects").value_or(0)) + L" / " + std::to_wstring(office.figure(L"targets").value_or(0)));
    run.figures.exactly(L"known answers wrong afterwards", office.figure(L"check-failures").value_or(-1), 0);
    run.host.host().forgetRecords();
    stopAndRecord(run, 60000);
    recordCleanEnd(run, CleanEnd::Fuzzed);
}

} // namespace soak
