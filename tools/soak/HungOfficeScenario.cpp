// Hung Office: Office A's event handlers hang and never return (as Office's do while a modal dialog or a slow
// add-in holds its UI thread). A shows many people, each through a contact object with a sink of its own
// (102 in the quick run, 1 000 in the full one), plus its Messenger sink, all in its one apartment. Office B,
// in another process, watches the changed people on both APIs while the host fires 20 changes, one every
// 100 ms. The delivery goes by apartment, so the scenario fails unless B gets every change promptly while A
// hangs, the delivery's threads and A's backlog stay within their bounds, and the stop completes, with its
// stopped callback and the revocation, within the stall limit while A still hangs.
#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/Scenarios.h"
#include "soak/SoakPeople.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <sstream>
#include <thread>

namespace soak {

namespace {

const int watchedContacts = 6;
const int changes = 20;
const DWORD changePauseMs = 100;
const long worstDelayBoundMs = 2000;
const long threadBound = 32;       // the delivery's, as docs/architecture.md states it
const long oneOffsPerSink = 64;    // the same
const DWORD stopBoundMs = 12000;   // the stall limit (10 s) and a margin
const DWORD afterKillStopWaitMs = 60000;
const wchar_t* const revokedLine = L"Revoking Messenger Class Factory complete";
const wchar_t* const deliveryFiguresLine = L"Event delivery used at most ";

int contactIndex(const std::wstring& name)
{
    for (int i = 0; i < watchedContacts; ++i)
        if (name == contactSigninName(i)) return i;
    return -1;
}

// B's changes: received per API (the fewest any of its sinks got, summed over the contacts), the last
// states, and the longest time from a change being fired to B's next event for that contact.
void recordOtherOffice(ScenarioRun& run, const OfficeProcess& other, const PresenceStorm& storm)
{
    long received[2] = {0, 0};
    long lastStateMissing = watchedContacts;
    for (const ContactEventFigures& events : other.events()) {
        const int index = contactIndex(events.contact);
        if (index < 0) continue;
        received[events.api == L"uc"] += events.fewest;
        if (events.api == L"messenger" && events.lastStatus == storm.lastStatus(index)) --lastStateMissing;
    }
    long worst = 0, neverArrived = 0;
    for (const ContactArrivals& arrivals : other.arrivals()) {
        const int index = contactIndex(arrivals.contact);
        if (index < 0) continue;
        for (const unsigned long long fired : storm.firedAt(index)) {
            const auto next = std::lower_bound(arrivals.ticks.begin(), arrivals.ticks.end(), fired);
            if (next == arrivals.ticks.end()) ++neverArrived;
            else worst = std::max(worst, static_cast<long>(*next - fired));
        }
    }
    const std::wstring of = L" of " + std::to_wstring(changes);
    run.figures.info(L"other Office (B): Messenger changes received", std::to_wstring(received[0]) + of);
    run.figures.info(L"other Office (B): UC changes received", std::to_wstring(received[1]) + of);
    run.figures.exactly(L"other Office (B): contacts whose last state did not arrive", lastStateMissing, 0);
    run.figures.exactly(L"other Office (B): changes with no event after them", neverArrived, 0);
    run.figures.atMost(L"other Office (B): worst delay (ms)", worst, worstDelayBoundMs);
}

// Reads "Event delivery used at most N threads; at most M events waited for one apartment; ..."
bool readDeliveryFigures(const std::wstring& line, long& threads, long& waiting)
{
    if (line.rfind(deliveryFiguresLine, 0) != 0) return false;
    std::wistringstream text(line.substr(std::wcslen(deliveryFiguresLine)));
    std::wstring words;
    return static_cast<bool>(text >> threads >> words >> words >> words >> waiting);
}

} // namespace

void runHungOffice(ScenarioRun& run)
{
    const int hungSinks = run.quick ? 102 : 1000;
    const std::wstring seed = L" --seed " + std::to_wstring(run.seed);
    const std::wstring watch = L" --watch " + std::to_wstring(watchedContacts);
    PresenceStorm storm(run.host.host(), watchedContacts, 0);
    // The hung Office connects alone first: an event that reached it while it was still advising would
    // block its only thread before it could report ready.
    OfficeProcess hung(L"hung", L"load --threads 1" + watch + L" --contact-sinks " + std::to_wstring(hungSinks) + L" --block-events" + seed,
                       run.output);
    if (!hung.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    OfficeProcess other(L"other", L"load --threads 2" + watch + L" --arrivals" + seed, run.output);
    if (!other.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    run.figures.info(L"hung Office (A): contact sinks, all in its one apartment", std::to_wstring(hungSinks));
    storm.fire(changes, changePauseMs);
    const std::optional<DWORD> exitCode = other.finish(120000);
    run.figures.exactly(L"other Office (B) exit code", exitCode ? static_cast<long long>(*exitCode) : -1, 0);
    recordOtherOffice(run, other, storm);

    // The stop runs on a thread of its own: it may not return while the handlers hang. Its progress is read
    // from the module's log lines (module level 2).
    std::atomic<ULONGLONG> revokedAt{0};
    std::wstring figuresLine;
    std::mutex figuresMutex;
    run.host.host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message == revokedLine) revokedAt = GetTickCount64();
        if (record.message.rfind(deliveryFiguresLine, 0) != 0) return;
        std::lock_guard<std::mutex> lock(figuresMutex);
        figuresLine = record.message;
    });
    run.host.host().setEnabledHostLevels({3});
    const ULONGLONG begin = GetTickCount64();
    std::shared_ptr<hostsim::StoppedCallback> callback;
    HANDLE begun = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread stopper([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        callback = run.host.beginStop();
        SetEvent(begun);
        CoUninitialize();
    });
    bool stoppedWhileHung = false;
    if (WaitForSingleObject(begun, stopBoundMs) == WAIT_OBJECT_0)
        stoppedWhileHung = callback->waitForCall(static_cast<DWORD>(stopBoundMs - std::min<ULONGLONG>(GetTickCount64() - begin, stopBoundMs)));
    const ULONGLONG stoppedAfter = GetTickCount64() - begin;
    run.figures.check(L"stop to onStopped while A hangs (ms)", stoppedWhileHung ? std::to_wstring(stoppedAfter) : L"none",
                      stoppedWhileHung, L"< " + std::to_wstring(stopBoundMs));
    run.figures.check(L"stop to the class objects' revocation (ms)", revokedAt ? std::to_wstring(revokedAt - begin) : L"none",
                      revokedAt != 0 && revokedAt - begin < stopBoundMs, L"< " + std::to_wstring(stopBoundMs));
    long threads = -1, waiting = -1;
    {
        std::lock_guard<std::mutex> lock(figuresMutex);
        if (!readDeliveryFigures(figuresLine, threads, waiting)) run.figures.fail(L"the module logged no delivery figures");
    }
    run.figures.atMost(L"delivery threads at peak", threads, threadBound);
    // A's lane holds at most one event per sink and state (one per contact sink, one per contact for its
    // Messenger sink) and the Messenger sink's one-off events.
    run.figures.atMost(L"A's backlog at peak (events waiting for its apartment)", waiting, hungSinks + watchedContacts + oneOffsPerSink);

    hung.kill();
    bool stopped = stoppedWhileHung;
    if (!stopped && WaitForSingleObject(begun, afterKillStopWaitMs) == WAIT_OBJECT_0) stopped = callback->waitForCall(afterKillStopWaitMs);
    CloseHandle(begun);
    if (!stopped) {
        run.figures.fail(L"the stop never completed; the soak host ends without waiting for it");
        run.output.line(L"soak: scenario hung-office failed");
        TerminateProcess(GetCurrentProcess(), 1);
    }
    stopper.join();
    run.figures.exactly(L"stopped callbacks", callback->calls(), 1);
    run.host.host().setEnabledHostLevels({});
    run.host.host().clearLogHooks();
}

} // namespace soak
