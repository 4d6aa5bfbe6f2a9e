#pragma once

// The soak's scenarios. Each runs in a soak host process of its own, with the module started and ready,
// records its figures and leaves the module stopped (or says why it could not).

#include "soak/Figures.h"
#include "soak/SoakHost.h"

#include <string>

namespace soak {

struct ScenarioRun {
    SoakHost& host;
    Figures& figures;
    tools::ConsoleOutput& output;
    bool quick = false;
    unsigned seed = 1;
};

// 8 Office threads x mixed calls with churn on both APIs under a presence storm on watched contacts.
void runLoadWithChurn(ScenarioRun& run);
// Start/stop cycles in one host process with an Office connected across them.
void runStartStopCycles(ScenarioRun& run);
// An Office killed while advised and mid-call; another keeps receiving; a new one is served.
void runDyingOffice(ScenarioRun& run);
// An Office whose many sinks hang in one apartment: what another Office, the delivery and the stop experience.
void runHungOffice(ScenarioRun& run);
// Every host method failing at random for 10 % of the calls during load.
void runFailingHost(ScenarioRun& run);
// Seeded malformed calls over every member of the type library.
void runFuzzedInput(ScenarioRun& run);

// Shared steps.
// Stops the module and records the stop: completed in time, the stopped callback exactly once.
StopOutcome stopAndRecord(ScenarioRun& run, DWORD timeoutMs);
// After every Office has gone and the module stopped: no host object left, DllCanUnloadNow S_OK,
// UpAndRunning 0. A killed Office's references stay until COM notices that it is gone (Wine does not
// within a run): then the objects and DllCanUnloadNow are measured, not judged.
// HostFailed: the host failed Unadvise at random, so it may still hold sinks of the module (as a real
// host would); those are counted, then let go as the host's end would, before the module is judged.
// Fuzzed: Wine's ITypeInfo::Invoke keeps a reference to each object argument it converted before it
// refuses a malformed call, so the objects and DllCanUnloadNow are measured, not judged (Windows releases
// them).
enum class CleanEnd { AllOfficesLeft, OfficeKilled, HostFailed, Fuzzed };
void recordCleanEnd(ScenarioRun& run, CleanEnd end = CleanEnd::AllOfficesLeft);
// The events one Office's standing sinks received per watched contact against what the storm fired.
class PresenceStorm;
class OfficeProcess;
void recordEvents(ScenarioRun& run, const std::wstring& office, const OfficeProcess& process,
                  const PresenceStorm& storm, int watched);

} // namespace soak
