#include "host/FanOut.h"

#include "host/BareLanes.h"
#include "host/NumberedContacts.h"

#include "measure/BenchNames.h"
#include "measure/Interleave.h"
#include "measure/Stopwatch.h"

#include "extensionsutils/ComPtr.h"

#include <cstdio>
#include <string>

namespace bench {
namespace {

constexpr DWORD receiptTimeoutMs = 30000;
constexpr int targetSinks = 4;      // the target's setting: 4 sinks in each of 4 Office processes
constexpr int targetProcesses = 4;
constexpr double targetRatio = 1.2; // the module's time at most this many times the lanes' time
constexpr long hostPresenceChange = 4; // the host contact's change code for its presence
constexpr int burstContacts = 20;
const wchar_t* const burstPrefix = L"f";
const wchar_t* const burstDomain = L"fanout.bench.example";

// A burst sends distinct facts, each of which must reach every sink: a presence change of a contact of its
// own for each event (the module keeps only the latest undelivered state of one contact), and for the UC
// contact a distinct set of changed items for each (display name 1, numbers 3, presence 4).
const std::vector<std::vector<long>> ucChangeSets = {{1}, {3}, {4}, {1, 3}, {1, 4}, {3, 4}, {1, 3, 4}};

std::wstring burstContact(int index)
{
    return numberedContact(burstPrefix, burstDomain, index, burstContacts);
}

bool awaitReceipts(HANDLE receipts, long count)
{
    for (long i = 0; i < count; ++i)
        if (WaitForSingleObject(receipts, receiptTimeoutMs) != WAIT_OBJECT_0) return false;
    return true;
}

// Receipts nobody waited for: an event delivered twice, or to a sink it was not meant for.
long extraReceipts(HANDLE receipts)
{
    long extra = 0;
    while (WaitForSingleObject(receipts, 0) == WAIT_OBJECT_0) ++extra;
    return extra;
}

} // namespace

std::vector<RatioRow> FanOut::measure(ModuleHost& host, int sinks, int processes, bool uc, bool quick)
{
    const std::string setting = std::to_string(sinks) + " sink" + (sinks == 1 ? "" : "s") + " in each of " +
                                std::to_string(processes) + " Office process" + (processes == 1 ? "" : "es");
    const std::string sink = uc ? "UC contact sink (OnContactInformationChanged)" : "DMessengerEvents sink";
    const std::string baseline = ", vs a thread per Office process calling its sinks in turn";
    RatioRow latency("3", "presence change to the last " + sink + ", " + setting + baseline, "ms");
    RatioRow throughput("3", std::string("sustained presence changes (time per change in a burst), ") +
                                 (uc ? "UC contact sinks, " : "") + setting + baseline, "ms", true);
    if (sinks == targetSinks && processes == targetProcesses) {
        latency.setTarget(atMost(targetRatio));
        throughput.setTarget(atLeast(1 / targetRatio));
    }
    ResetEvent(signals_.done);
    bool ready = true;
    for (int i = 0; i < processes && ready; ++i) ready = WaitForSingleObject(signals_.ready, 60000) == WAIT_OBJECT_0;
    const extensionsutils::MICComPtr<BareMessenger> bare = host.bare().messenger();
    if (!ready || !bare) {
        latency.fail(ready ? "the bare provider has no Messenger object" : "the Office processes did not connect");
        SetEvent(signals_.done);
        return {latency};
    }
    const long perEvent = static_cast<long>(sinks) * processes;
    fakehost::FakeHost& fake = host.host();
    addNumberedContacts(fake, burstPrefix, burstDomain, burstContacts, L"Fan-out", [](int) { return 2L; });
    // One event through the module, from the host's fire (its event thread) to the last receipt.
    auto moduleEvents = [&](int events, HRESULT& failure) {
        Stopwatch watch;
        for (int i = 0; i < events; ++i) {
            if (uc) fake.fireContactChanged(BenchContact, events == 1 ? std::vector<long>{hostPresenceChange} : ucChangeSets[i]);
            else fake.postPresenceChanged(events == 1 ? std::wstring(BenchContact) : burstContact(i));
        }
        if (!awaitReceipts(signals_.moduleReceipts, perEvent * events)) failure = E_FAIL;
        return watch.elapsedNs() / events;
    };
    auto bareEvents = [&](int events, HRESULT& failure) {
        Stopwatch watch;
        for (int i = 0; i < events && uc; ++i)
            fake.fireContactChanged(BareEventContact, events == 1 ? std::vector<long>{hostPresenceChange} : ucChangeSets[i]);
        for (int i = 0; i < events && !uc; ++i) {
            const extensionsutils::ComPtr<IDispatch> contact =
                fake.makeContactObject(events == 1 ? std::wstring(BenchContact) : burstContact(i));
            const extensionsutils::ComPtr<IDispatch> presence = fake.makePresenceState(2, L"");
            if (FAILED(bare->contactStatusChangedInLanes(contact.get(), presence.get()))) failure = E_FAIL;
        }
        if (!awaitReceipts(signals_.bareReceipts, perEvent * events)) failure = E_FAIL;
        return watch.elapsedNs() / events;
    };
    interleave(latency, RoundPlan{quick ? 9 : 21, 1, 0}, moduleEvents, bareEvents);
    char p90[96];
    std::snprintf(p90, sizeof p90, "p90: module %.1f ms, baseline %.1f ms", latency.moduleQuantile(0.9) / 1e6,
                  latency.baselineQuantile(0.9) / 1e6);
    latency.setNote(p90);
    const int burst = uc ? static_cast<int>(ucChangeSets.size()) : quick ? 10 : burstContacts;
    interleave(throughput, RoundPlan{quick ? 3 : 7, burst, 0}, moduleEvents, bareEvents);
    Sleep(200); // time for a stray receipt to arrive
    bareLanes().forget(); // while the Office processes still hold their sinks
    const long extraModule = extraReceipts(signals_.moduleReceipts), extraBare = extraReceipts(signals_.bareReceipts);
    if (extraModule || extraBare) {
        throughput.fail("receipts beyond one per sink and event: module " + std::to_string(extraModule) +
                        ", baseline " + std::to_string(extraBare));
    }
    SetEvent(signals_.done);
    return {latency, throughput};
}

} // namespace bench
