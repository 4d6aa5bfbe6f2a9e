#include "host/PresenceStorm.h"

#include "host/HeapProbe.h"
#include "measure/BenchNames.h"
#include "measure/Stopwatch.h"

#include "extensionsutils/ComPtr.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace bench {
namespace {

constexpr int stormContacts = 50;
constexpr double quietMs = 3000; // after the storm: no receipt for this long ends the wait

std::wstring stormContactName(long index)
{
    return L"s" + std::to_wstring(index % stormContacts) + L"@storm.bench.example";
}

void addStormContacts(fakehost::FakeHost& host)
{
    for (int i = 0; i < stormContacts; ++i) {
        fakehost::ContactRecord contact;
        contact.signinName = stormContactName(i);
        contact.friendlyName = L"Storm " + std::to_wstring(i);
        contact.presence = 2 + i % 3;
        host.addContact(contact);
    }
}

struct StormFigures {
    long fired = 0, received = 0;
    long peakInWorker = 0, peakInHost = 0;
    double peakHeapGrowth = 0;
    double stormMs = 0, deliveredMs = 0, tailMs = 0; // the firing, first change to last receipt, end to last
};

long drain(HANDLE receipts)
{
    long taken = 0;
    while (WaitForSingleObject(receipts, 0) == WAIT_OBJECT_0) ++taken;
    return taken;
}

// Fires `rate` changes a second for `seconds` (or as fast as `fire` returns), sampling the backlog at every
// change and the heap every 50 ms, then waits for the receipts until every change is in or none came for a
// while. `taken` reads how many changes the module's listener has taken so far; empty when a change is
// taken as it is fired.
StormFigures storm(int rate, double seconds, long perEvent, HANDLE receipts, const std::function<void(long)>& fire,
                   const std::function<long()>& taken)
{
    StormFigures figures;
    drain(receipts); // strays of an earlier measurement
    const double heapBefore = static_cast<double>(heapBytesInUse());
    const long takenBefore = taken ? taken() : 0;
    Stopwatch watch, sampled;
    double lastReceiptMs = 0;
    auto sample = [&] {
        const long got = drain(receipts);
        if (got) lastReceiptMs = watch.elapsedNs() / 1e6;
        figures.received += got;
        const long listened = taken ? taken() - takenBefore : figures.fired;
        figures.peakInWorker = std::max(figures.peakInWorker, listened - figures.received / perEvent);
        figures.peakInHost = std::max(figures.peakInHost, figures.fired - listened);
        if (sampled.elapsedNs() < 50e6) return;
        figures.peakHeapGrowth = std::max(figures.peakHeapGrowth, static_cast<double>(heapBytesInUse()) - heapBefore);
        sampled = Stopwatch();
    };
    const long changes = static_cast<long>(rate * seconds);
    while (figures.fired < changes) {
        if (watch.elapsedNs() * rate / 1e9 < figures.fired) { // ahead of the rate: let the host's side run
            sample();
            SwitchToThread();
            continue;
        }
        fire(figures.fired++);
        sample();
    }
    figures.stormMs = watch.elapsedNs() / 1e6;
    while (figures.received < figures.fired * perEvent && watch.elapsedNs() / 1e6 - std::max(lastReceiptMs, figures.stormMs) < quietMs) {
        if (WaitForSingleObject(receipts, 10) == WAIT_OBJECT_0) ReleaseSemaphore(receipts, 1, nullptr); // sample() counts it
        sample();
    }
    figures.deliveredMs = lastReceiptMs;
    figures.tailMs = std::max(0.0, lastReceiptMs - figures.stormMs);
    return figures;
}

std::string number(double value, const char* format)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::vector<std::string> PresenceStorm::measure(ModuleHost& host, int processes, bool quick, bool& failed)
{
    const int rate = 2000;
    const double seconds = quick ? 1 : 2;
    const int rounds = quick ? 1 : 2;
    const std::string setting = std::to_string(rate) + " changes/s over " + std::to_string(stormContacts) + " contacts for " +
                                number(seconds, "%.0f") + " s, 1 sink in each of " + std::to_string(processes) +
                                " Office process" + (processes == 1 ? "" : "es");
    RatioRow delivered("4", "presence storm: first change to Office's last receipt, " + setting, "ms");
    delivered.setIterations(static_cast<int>(rate * seconds));
    ResetEvent(signals_.done);
    bool ready = true;
    for (int i = 0; i < processes && ready; ++i) ready = WaitForSingleObject(signals_.ready, 60000) == WAIT_OBJECT_0;
    const extensionsutils::MICComPtr<BareMessenger> bare = host.bare().messenger();
    if (!ready || !bare) {
        delivered.fail(ready ? "the bare provider has no Messenger object" : "the Office processes did not connect");
        SetEvent(signals_.done);
        failed = true;
        return {delivered.line()};
    }
    fakehost::FakeHost& fake = host.host();
    addStormContacts(fake);
    auto moduleFire = [&fake](long i) { fake.postPresenceChanged(stormContactName(i)); };
    auto bareFire = [&fake, &bare](long i) {
        const extensionsutils::ComPtr<IDispatch> contact = fake.makeContactObject(stormContactName(i));
        const extensionsutils::ComPtr<IDispatch> presence = fake.makePresenceState(2 + i % 3, L"");
        bare->contactStatusChanged(contact.get(), presence.get());
    };
    // Each change the module's listener takes makes one host contact read its friendly name.
    auto listened = [&fake] { return static_cast<long>(fake.callCount(fakehost::HostMethod::GetFriendlyName)); };
    const std::function<long()> bareListened; // the bare loop takes each change as it fires it
    StormFigures module, baseline;
    for (int round = 0; round < rounds; ++round) {
        const StormFigures first = round % 2 == 0 ? storm(rate, seconds, processes, signals_.moduleReceipts, moduleFire, listened)
                                                  : storm(rate, seconds, processes, signals_.bareReceipts, bareFire, bareListened);
        const StormFigures second = round % 2 == 0 ? storm(rate, seconds, processes, signals_.bareReceipts, bareFire, bareListened)
                                                   : storm(rate, seconds, processes, signals_.moduleReceipts, moduleFire, listened);
        module = round % 2 == 0 ? first : second;
        baseline = round % 2 == 0 ? second : first;
        if (module.received != module.fired * processes || baseline.received != baseline.fired * processes) {
            delivered.fail("receipts after the storm: module " + std::to_string(module.received) + " of " +
                           std::to_string(module.fired * processes) + ", baseline " + std::to_string(baseline.received) +
                           " of " + std::to_string(baseline.fired * processes));
            break;
        }
        delivered.add(module.deliveredMs * 1e6, baseline.deliveredMs * 1e6);
        fake.forgetRecords();
    }
    SetEvent(signals_.done);
    failed = delivered.failed();
    std::vector<std::string> lines{delivered.line()};
    if (failed) return lines;
    // The last round's figures: each storm's peaks, not a median of them.
    auto line = [&lines](const std::string& figure, const std::string& moduleFigure, const std::string& baselineFigure) {
        lines.push_back("| 4 | presence storm: " + figure + " | - | " + moduleFigure + " | " + baselineFigure + " | 1 | - | - |");
    };
    line("changes taken by the module's listener, not yet in Office, at most (the worker queue and the change being delivered)",
         number(module.peakInWorker, "%.0f"), "-");
    line("changes fired by the host, not yet taken by the provider, at most (the host's event queue)",
         number(module.peakInHost, "%.0f"), number(baseline.peakInHost, "%.0f"));
    line("host heap in use, peak growth during the storm", number(module.peakHeapGrowth / 1048576, "%.1f MB"),
         number(baseline.peakHeapGrowth / 1048576, "%.1f MB"));
    line("delay of the last change reaching Office after the storm's last change", number(module.tailMs, "%.0f ms"),
         number(baseline.tailMs, "%.0f ms"));
    line("changes per second fired (the bare loop fires as fast as Office takes them)",
         number(module.fired / module.stormMs * 1000, "%.0f"), number(baseline.fired / baseline.stormMs * 1000, "%.0f"));
    return lines;
}

} // namespace bench
