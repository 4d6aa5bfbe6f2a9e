// Hung Office: one Office's event handler blocks and never returns. Event delivery routes around it: the
// scenario fails unless a second Office ends with every contact's last status and the stop completes while
// the handler still hangs (and, failing that, once the hung Office has been ended).
#include "soak/OfficeProcess.h"
#include "soak/PresenceStorm.h"
#include "soak/Scenarios.h"
#include "soak/SoakPeople.h"

#include <objbase.h>

#include <thread>

namespace soak {

namespace {

const int watchedContacts = 4;
const int changes = 40;
const DWORD afterKillStopWaitMs = 60000;

} // namespace

void runHungOffice(ScenarioRun& run)
{
    const DWORD hungStopWaitMs = run.quick ? 10000 : 20000;
    const std::wstring seed = L" --seed " + std::to_wstring(run.seed);
    PresenceStorm storm(run.host.host(), watchedContacts, 0);
    // The blocking Office connects alone first: an event that reached it while it was still advising would
    // block its only thread before it could report ready.
    OfficeProcess hung(L"hung", L"load --threads 1 --watch 4 --block-events" + seed, run.output);
    if (!hung.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    OfficeProcess other(L"other", L"load --threads 2 --watch 4" + seed, run.output);
    if (!other.waitForReady()) {
        run.figures.fail(L"the Offices did not connect and advise");
        return;
    }
    storm.fire(changes);
    Sleep(5000);
    const std::optional<DWORD> exitCode = other.finish(120000);
    run.figures.info(L"other Office exit code", exitCode ? std::to_wstring(*exitCode) : L"none");
    long fewest = -1;
    long lastStateMissing = watchedContacts;
    for (const ContactEventFigures& events : other.events()) {
        if (events.api != L"messenger") continue;
        fewest = fewest < 0 ? events.fewest : std::min(fewest, events.fewest);
        for (int i = 0; i < watchedContacts; ++i)
            if (events.contact == contactSigninName(i) && events.lastStatus == storm.lastStatus(i)) --lastStateMissing;
    }
    run.figures.info(L"changes fired", std::to_wstring(changes));
    run.figures.info(L"other Office: status changes received per contact (fewest)",
                     std::to_wstring(fewest) + L" of " + std::to_wstring(changes / watchedContacts));
    run.figures.exactly(L"other Office: contacts whose last state did not arrive", lastStateMissing, 0);

    // The stop runs on a thread of its own: it may not return while the handler hangs.
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
    if (WaitForSingleObject(begun, hungStopWaitMs) == WAIT_OBJECT_0)
        stoppedWhileHung = callback->waitForCall(static_cast<DWORD>(hungStopWaitMs - std::min<ULONGLONG>(GetTickCount64() - begin, hungStopWaitMs)));
    run.figures.check(L"stop completes while the handler hangs",
                      stoppedWhileHung ? L"yes (" + std::to_wstring(GetTickCount64() - begin) + L" ms)"
                                       : L"no (waited " + std::to_wstring(hungStopWaitMs) + L" ms)",
                      stoppedWhileHung, L"yes");
    hung.kill();
    bool stopped = stoppedWhileHung;
    if (!stopped && WaitForSingleObject(begun, afterKillStopWaitMs) == WAIT_OBJECT_0)
        stopped = callback->waitForCall(afterKillStopWaitMs);
    run.figures.check(L"stop completes once the hung Office is gone (ms)", std::to_wstring(GetTickCount64() - begin),
                      stopped, L"< " + std::to_wstring(hungStopWaitMs + afterKillStopWaitMs));
    CloseHandle(begun);
    if (!stopped) {
        run.figures.fail(L"the stop never completed; the soak host ends without waiting for it");
        run.output.line(L"soak: scenario hung-office failed");
        TerminateProcess(GetCurrentProcess(), 1);
    }
    stopper.join();
    run.figures.exactly(L"stopped callbacks", callback->calls(), 1);
}

} // namespace soak
