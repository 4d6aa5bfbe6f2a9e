#include "host/PresenceStorm.h"

#include "host/HeapProbe.h"
#include "host/NumberedContacts.h"
#include "measure/BenchNames.h"
#include "measure/Stopwatch.h"

#include "extensionsutils/ComPtr.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace bench {
namespace {

constexpr int stormContacts = 50;
const wchar_t* const stormPrefix = L"s";
const wchar_t* const stormDomain = L"storm.bench.example";
constexpr double quietMs = 3000; // after the bare storm: no receipt for this long ends the wait
constexpr double markerWaitMs = 60000; // after the module's storm: its end marker must arrive within this
const wchar_t* const markerContact = L"marker@storm.bench.example";
constexpr long markerPresence = 5; // offline: no other bench contact is, so the sinks can tell the marker

std::wstring stormContactName(long index)
{
    return numberedContact(stormPrefix, stormDomain, index, stormContacts);
}

void addStormContacts(fakehost::FakeHost& host)
{
    addNumberedContacts(host, stormPrefix, stormDomain, stormContacts, L"Storm", [](int i) { return 2L + i % 3; });
    fakehost::ContactRecord marker;
    marker.signinName = markerContact;
    marker.friendlyName = L"Storm end";
    marker.presence = markerPresence;
    host.addContact(marker);
}

struct StormFigures {
    long fired = 0, received = 0, markers = 0;
    long peakInHost = 0;
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
// change and the heap every 50 ms. `taken` reads how many changes the module's listener has taken so far;
// empty when a change is taken as it is fired. With `markers` (the module), the end marker follows the
// storm and the wait ends when it has reached every sink: a sink gets its events in order and a newer
// state takes an older one's place, so by then every sink holds each contact's last state. Without (the
// bare loop, which merges nothing), the wait ends when every change is in or none came for a while.
StormFigures storm(int rate, double seconds, long perEvent, HANDLE receipts, const std::function<void(long)>& fire,
                   const std::function<long()>& taken, HANDLE markers, const std::function<void()>& fireMarker)
{
    StormFigures figures;
    drain(receipts); // strays of an earlier measurement
    if (markers) drain(markers);
    const double heapBefore = static_cast<double>(heapBytesInUse());
    const long takenBefore = taken ? taken() : 0;
    Stopwatch watch, sampled;
    double lastReceiptMs = 0;
    auto sample = [&] {
        const long got = drain(receipts);
        if (got) lastReceiptMs = watch.elapsedNs() / 1e6;
        figures.received += got;
        const long listened = taken ? taken() - takenBefore : figures.fired;
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
    if (markers) {
        fireMarker();
        while (figures.markers < perEvent && watch.elapsedNs() / 1e6 - figures.stormMs < markerWaitMs) {
            if (WaitForSingleObject(markers, 10) != WAIT_OBJECT_0) continue;
            ++figures.markers;
            lastReceiptMs = watch.elapsedNs() / 1e6;
        }
        sample(); // the receipts that came meanwhile
        figures.peakHeapGrowth = std::max(figures.peakHeapGrowth, static_cast<double>(heapBytesInUse()) - heapBefore);
    }
    while (!markers && figures.received < figures.fired * perEvent &&
           watch.elapsedNs() / 1e6 - std::max(lastReceiptMs, figures.stormMs) < quietMs) {
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
    RatioRow delivered("4", "presence storm: first change until every sink holds each contact's last state (the bare loop, "
                            "which merges nothing: until every change is in), " + setting, "ms");
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
    auto moduleMarker = [&fake] { fake.postPresenceChanged(markerContact); };
    auto bareFire = [&fake, &bare](long i) {
        const extensionsutils::ComPtr<IDispatch> contact = fake.makeContactObject(stormContactName(i));
        const extensionsutils::ComPtr<IDispatch> presence = fake.makePresenceState(2 + i % 3, L"");
        bare->contactStatusChanged(contact.get(), presence.get());
    };
    // Each change the module's listener takes makes one host contact read its friendly name.
    auto listened = [&fake] { return static_cast<long>(fake.callCount(fakehost::HostMethod::GetFriendlyName)); };
    const std::function<long()> bareListened; // the bare loop takes each change as it fires it
    auto moduleStorm = [&] { return storm(rate, seconds, processes, signals_.moduleReceipts, moduleFire, listened, signals_.markers, moduleMarker); };
    auto bareStorm = [&] { return storm(rate, seconds, processes, signals_.bareReceipts, bareFire, bareListened, nullptr, nullptr); };
    StormFigures module, baseline;
    for (int round = 0; round < rounds; ++round) {
        const StormFigures first = round % 2 == 0 ? moduleStorm() : bareStorm();
        const StormFigures second = round % 2 == 0 ? bareStorm() : moduleStorm();
        module = round % 2 == 0 ? first : second;
        baseline = round % 2 == 0 ? second : first;
        // Coalescing may merge a contact's changes, never lose its last one: each sink gets every contact at
        // least once, at most every change, and the end marker.
        const bool moduleLost = module.markers != processes || module.received < stormContacts * processes ||
                                module.received > module.fired * processes;
        if (moduleLost || baseline.received != baseline.fired * processes) {
            delivered.fail("receipts after the storm: module " + std::to_string(module.received) + " of " +
                           std::to_string(module.fired * processes) + " fired (end marker at " + std::to_string(module.markers) +
                           " of " + std::to_string(processes) + " sinks), baseline " + std::to_string(baseline.received) +
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
    line("changes received by Office, all sinks, of those fired (the module delivers each contact's latest state; the bare loop every change)",
         std::to_string(module.received) + " of " + std::to_string(module.fired * processes),
         std::to_string(baseline.received) + " of " + std::to_string(baseline.fired * processes));
    line("changes fired by the host, not yet taken by the provider, at most (the host's event queue)",
         number(module.peakInHost, "%.0f"), number(baseline.peakInHost, "%.0f"));
    line("host heap in use, peak growth during the storm", number(module.peakHeapGrowth / 1048576, "%.1f MB"),
         number(baseline.peakHeapGrowth / 1048576, "%.1f MB"));
    line("delay until every sink holds each contact's last state (the bare loop: the last change) after the storm's last change", number(module.tailMs, "%.0f ms"),
         number(baseline.tailMs, "%.0f ms"));
    line("changes per second fired (the bare loop fires as fast as Office takes them)",
         number(module.fired / module.stormMs * 1000, "%.0f"), number(baseline.fired / baseline.stormMs * 1000, "%.0f"));
    return lines;
}

} // namespace bench
