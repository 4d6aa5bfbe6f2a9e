#include "soak/OfficeCycles.h"

#include "soak/OfficeLink.h"
#include "soak/OfficeLoad.h"

#include "common/ImProviderRegistry.h"
#include "officesim/Names.h"
#include "officesim/UcApi.h"
#include "officesim/VtableMessengerApi.h"
#include "officesim/VtableUcApi.h"

#include <deque>

namespace soak {

namespace {

const DWORD roundMs = 50;
const DWORD connectRetryMs = 2000;
const ULONGLONG stopGraceMs = 5000; // a stopped connection is judged once its stop is this old
const ULONGLONG slowCallMs = 5000;
const std::size_t heldStoppedConnections = 3;
const long MistatusOffline = 1;
const long MistatusUnknown = 0;

struct HeldConnection {
    OfficeLink link;
    ULONGLONG stoppedAt = 0; // 0 while it is the current connection
};

struct CycleFigures {
    long connections = 0;
    long wrongAnswers = 0;  // a new connection's known answers were wrong
    long calls = 0;
    long judgedCalls = 0;   // calls on stopped connections, past the grace
    long uncleanCalls = 0;  // of those, answering as if the provider still ran
    long slowCalls = 0;
};

class CycleRun {
public:
    explicit CycleRun(tools::ConsoleOutput& output) : output_(output) {}

    void round();
    void printFigures();
    void releaseAll() { held_.clear(); }

private:
    HeldConnection* current();
    void markStopped(HeldConnection& held);
    void connect();
    void callHeld(HeldConnection& held);

    tools::ConsoleOutput& output_;
    std::deque<HeldConnection> held_; // oldest first
    CycleFigures figures_;
    std::vector<std::wstring> problems_;
};

HeldConnection* CycleRun::current()
{
    if (held_.empty() || held_.back().stoppedAt) return nullptr;
    return &held_.back();
}

void CycleRun::markStopped(HeldConnection& held)
{
    if (!held.stoppedAt) held.stoppedAt = GetTickCount64();
}

void CycleRun::connect()
{
    HeldConnection held;
    std::wstring problem;
    if (!held.link.connect(connectRetryMs, problem)) return; // stopping again already; the next round retries
    const std::wstring wrong = checkKnownAnswers(held.link);
    if (!wrong.empty()) {
        ++figures_.wrongAnswers;
        if (problems_.size() < 5) problems_.push_back(L"connection " + std::to_wstring(figures_.connections + 1) + L": " + wrong);
    }
    ++figures_.connections;
    held_.push_back(std::move(held));
    while (held_.size() > heldStoppedConnections + 1) held_.pop_front();
    output_.line(L"soakoffice: connected " + std::to_wstring(figures_.connections));
}

void CycleRun::callHeld(HeldConnection& held)
{
    officesim::VtableMessengerApi messenger;
    officesim::VtableUcApi uc;
    const ULONGLONG begin = GetTickCount64();
    const officesim::Answer<long> status = messenger.myStatus(held.link.messenger.get());
    const officesim::Answer<long> state = uc.clientState(held.link.client.get());
    const ULONGLONG elapsed = GetTickCount64() - begin;
    figures_.calls += 2;
    if (elapsed > slowCallMs) ++figures_.slowCalls;
    if (!held.stoppedAt) {
        if (FAILED(status.hr) || FAILED(state.hr)) markStopped(held);
        return;
    }
    if (GetTickCount64() - held.stoppedAt < stopGraceMs) return;
    figures_.judgedCalls += 2;
    const bool statusClean = FAILED(status.hr) || status.value == MistatusOffline || status.value == MistatusUnknown;
    const bool stateClean = FAILED(state.hr) || state.value == officesim::ClientStateSignedOut;
    if (statusClean && stateClean) return;
    figures_.uncleanCalls += !statusClean + !stateClean;
    if (problems_.size() < 5) {
        problems_.push_back(L"a stopped connection answered MyStatus " + officesim::hresultText(status.hr) + L" " +
                            std::to_wstring(status.value) + L", State " + officesim::hresultText(state.hr) + L" " +
                            std::to_wstring(state.value));
    }
}

void CycleRun::round()
{
    const bool running = tools::readUpAndRunning() == std::optional<DWORD>(2);
    HeldConnection* live = current();
    if (live && !running) markStopped(*live);
    if (!current() && running) connect();
    for (HeldConnection& held : held_) callHeld(held);
}

void CycleRun::printFigures()
{
    for (const std::wstring& problem : problems_) output_.line(L"soakoffice: problem " + problem);
    output_.line(L"soakoffice: figure connections " + std::to_wstring(figures_.connections));
    output_.line(L"soakoffice: figure wrong-answers " + std::to_wstring(figures_.wrongAnswers));
    output_.line(L"soakoffice: figure calls " + std::to_wstring(figures_.calls));
    output_.line(L"soakoffice: figure judged-calls " + std::to_wstring(figures_.judgedCalls));
    output_.line(L"soakoffice: figure unclean-calls " + std::to_wstring(figures_.uncleanCalls));
    output_.line(L"soakoffice: figure slow-calls " + std::to_wstring(figures_.slowCalls));
}

} // namespace

int runOfficeCycles(const OfficeOptions& options, tools::ConsoleOutput& output)
{
    const HANDLE finish = startFinishListener();
    CycleRun run(output);
    output.line(L"soakoffice: ready");
    while (WaitForSingleObject(finish, roundMs) == WAIT_TIMEOUT) run.round();
    run.printFigures();
    run.releaseAll();
    return 0;
}

} // namespace soak
