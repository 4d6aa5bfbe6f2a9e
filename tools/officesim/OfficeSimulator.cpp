#include "officesim/OfficeSimulator.h"

#include "officesim/Names.h"
#include "officesim/ProviderConnection.h"

#include "common/ContractIds.h"
#include "common/ImProviderRegistry.h"
#include "common/RegistryValue.h"

#include <algorithm>

namespace officesim {

using extensionsutils::Variant;

namespace {

// After UpAndRunning reads 2, COM may still answer "class not registered" this long.
const DWORD classNotRegisteredRetryMs = 10000;
const DWORD hostExitTimeoutMs = 30000;
// How long the provider may take, after its shutdown events, to stop answering as if it ran.
const DWORD shutdownSettleMs = 5000;
const DWORD retryIntervalMs = 100;

std::wstring describeRun(const OfficeSimOptions& options)
{
    std::wstring sessions = options.office2010 && options.office2016 ? L"Office 2010 and Office 2013/2016"
                            : options.office2010                      ? L"Office 2010"
                                                                      : L"Office 2013/2016";
    std::wstring bindings = options.vtable && options.lateBound ? L"vtable and late-bound calls"
                            : options.vtable                    ? L"vtable calls"
                                                                : L"late-bound calls";
    return sessions + L", " + bindings + L", " + (options.singleThreadedApartment ? L"STA" : L"MTA") + L", " +
           std::to_wstring(sizeof(void*) * 8) + L"-bit";
}

std::wstring upAndRunningText(const std::optional<DWORD>& value)
{
    return value ? std::to_wstring(*value) : std::wstring(L"not set");
}

} // namespace

OfficeSimulator::OfficeSimulator(const OfficeSimOptions& options, tools::ConsoleOutput& output, CallWatch::HangHandler onHang)
    : options_(options),
      report_(output, options.verbose),
      watch_(options.callTimeoutMs, std::move(onHang)),
      check_(report_, watch_),
      startTick_(GetTickCount64()),
      events_(check_, vtableMessenger_, vtableUc_, startTick_)
{
    if (options_.unadviseOnShutdown) events_.unadviseInShutdownHandlers();
    if (options_.hangInEvents) events_.hangInHandlers();
}

OfficeSimulator::~OfficeSimulator() = default;

int OfficeSimulator::run()
{
    report_.line(L"Office simulator: " + describeRun(options_));
    if (options_.expectNotRunning) return checkNotRunning();
    if (!connect()) return ExitCannotRun;
    runSessions();
    if (options_.waits()) waitForEvents();
    if (options_.expectShutdown) {
        checkShutdownEvents();
        if (shutdownSeen()) checkObjectsAfterShutdown();
    } else {
        events_.unadviseAll(); // as Office does when it closes
    }
    events_.describeNew();
    return finish();
}

int OfficeSimulator::checkNotRunning()
{
    const ProviderState state = waitForProvider(options_.readyTimeoutMs);
    const std::wstring provider = state.name ? L"\"" + *state.name + L"\"" : L"(no DefaultIMApp)";
    check_.expect(state.upAndRunning != std::optional<DWORD>(2), L"UpAndRunning",
                  L"reads 2: Office would take " + provider + L" for running");
    const Activation activation = check_.call(L"CoCreateInstance(CLSID_Messenger)", [&] {
        Activation result = createMessenger(0);
        result.messenger.reset();
        return result;
    });
    check_.expect(FAILED(activation.hr), L"CoCreateInstance(CLSID_Messenger)",
                  L"created a Messenger object while no provider runs");
    report_.line(L"provider " + provider + L": UpAndRunning " + upAndRunningText(state.upAndRunning) +
                 L"; creating the Messenger object answers " + hresultText(activation.hr));
    return finish();
}

bool OfficeSimulator::connect()
{
    const ProviderState state = waitForProvider(options_.readyTimeoutMs);
    if (!state.name) {
        report_.line(L"no DefaultIMApp under HKEY_CURRENT_USER\\" + std::wstring(tools::ImProvidersKey) +
                     L": Office finds no IM provider");
        return false;
    }
    if (state.upAndRunning != std::optional<DWORD>(2)) {
        report_.line(L"provider \"" + *state.name + L"\": UpAndRunning is " + upAndRunningText(state.upAndRunning) +
                     L", not 2, after " + std::to_wstring(state.waitedMs) + L" ms: Office shows no presence");
        return false;
    }
    report_.line(L"provider \"" + *state.name + L"\": UpAndRunning 2 (after " + std::to_wstring(state.waitedMs) +
                 L" ms)");
    Activation activation = check_.call(L"CoCreateInstance(CLSID_Messenger, CLSCTX_LOCAL_SERVER)",
                                        [&] { return createMessenger(classNotRegisteredRetryMs); });
    if (FAILED(activation.hr)) {
        report_.line(L"creating the Messenger object failed with " + hresultText(activation.hr) + L" after " +
                     std::to_wstring(activation.attempts) + L" attempt(s)");
        return false;
    }
    messenger_ = activation.messenger;
    report_.line(L"Messenger object created in the provider's process after " +
                 std::to_wstring(activation.elapsedMs) + L" ms (" + std::to_wstring(activation.attempts) +
                 L" attempt(s))");
    auto advise = [&](const IID& iid, const wchar_t* name) {
        const HRESULT hr =
            check_.call(name, [&] { return answerOf(events_.advise(messenger_.get(), iid, name), Nothing()); }).hr;
        check_.expect(SUCCEEDED(hr), std::wstring(L"IConnectionPoint.Advise(") + name + L")",
                      L"answered " + hresultText(hr));
    };
    if (options_.office2010) advise(contractid::DMessengerEvents, L"DMessengerEvents");
    if (options_.office2016) advise(contractid::IUCOfficeIntegrationEvents, L"_IUCOfficeIntegrationEvents");
    return true;
}

void OfficeSimulator::runSessions()
{
    std::vector<std::pair<MessengerApi*, UcApi*>> bindings;
    if (options_.vtable) bindings.push_back({&vtableMessenger_, &vtableUc_});
    if (options_.lateBound) bindings.push_back({&lateBoundMessenger_, &lateBoundUc_});
    for (const auto& binding : bindings) {
        if (options_.office2010) {
            messengerResult_ = MessengerSession(*binding.first, check_, events_, options_.session).run(messenger_.get());
        }
        if (options_.office2016) {
            // Office keeps one set of contacts: the earlier run's go, with their event connections.
            for (const Object& contact : ucResult_.contacts) events_.unadvise(contact.get());
            ucResult_ = UcSessionResult();
            ucPeople_ = options_.session.people.empty() ? messengerResult_.contactNames : options_.session.people;
            ucResult_ = UcSession(*binding.second, check_, events_, options_.session).run(messenger_.get(), ucPeople_);
        }
    }
}

void OfficeSimulator::waitForEvents()
{
    const DWORD limit = options_.waitLimitMs();
    changeEventsBeforeWait_ = events_.changeEvents();
    std::wstring what;
    if (options_.events > 0) what = std::to_wstring(options_.events) + L" change event(s)";
    if (options_.expectShutdown) what += std::wstring(what.empty() ? L"" : L" and ") + L"the provider's shutdown events";
    if (what.empty()) what = L"events";
    report_.line(L"waiting up to " + std::to_wstring(limit) + L" ms for " + what + L" (the host may act now)");

    const long wanted = options_.events;
    auto done = [&] {
        const bool enoughChanges = static_cast<long>(events_.changeEvents() - changeEventsBeforeWait_) >= wanted;
        return (wanted > 0 || options_.expectShutdown) && enoughChanges && (!options_.expectShutdown || shutdownSeen());
    };
    events_.waitUntil(done, limit);
    if (wanted > 0) {
        const long arrived = static_cast<long>(events_.changeEvents() - changeEventsBeforeWait_);
        check_.expect(arrived >= wanted, L"change events",
                      L"only " + std::to_wstring(arrived) + L" of " + std::to_wstring(wanted) + L" arrived within " +
                          std::to_wstring(limit) + L" ms (missing event)");
    }
}

bool OfficeSimulator::shutdownSeen() const
{
    const bool messengerSide = !options_.office2010 || (events_.count(EventKind::MyStatusChange) > 0 &&
                                                        events_.count(EventKind::AppShutdown) > 0);
    const bool ucSide = !options_.office2016 || (events_.count(EventKind::ShuttingDown) > 0 &&
                                                 (!ucResult_.client || events_.count(EventKind::StateChanged) > 0));
    return messengerSide && ucSide;
}

void OfficeSimulator::checkShutdownEvents()
{
    std::vector<std::pair<EventKind, const wchar_t*>> expected;
    if (options_.office2010) {
        expected.push_back({EventKind::MyStatusChange, L"DMessengerEvents.OnMyStatusChange"});
        expected.push_back({EventKind::AppShutdown, L"DMessengerEvents.OnAppShutdown"});
    }
    if (options_.office2016) {
        if (ucResult_.client) expected.push_back({EventKind::StateChanged, L"_IUCCLyncClientEvents.OnStateChanged"});
        expected.push_back({EventKind::ShuttingDown, L"_IUCOfficeIntegrationEvents.OnShuttingDown"});
    }
    // Each comes once, in this order.
    const std::vector<SeenEvent>& seen = events_.seen();
    std::size_t previous = 0;
    bool ordered = true;
    std::wstring order;
    for (const auto& event : expected) {
        const std::size_t count = events_.count(event.first);
        if (!check_.expect(count == 1, event.second,
                           count == 0 ? L"never arrived (missing event)"
                                      : L"arrived " + std::to_wstring(count) + L" times for one shutdown")) {
            continue;
        }
        const auto at = std::find_if(seen.begin(), seen.end(), [&](const SeenEvent& e) { return e.kind == event.first; });
        const std::size_t index = static_cast<std::size_t>(at - seen.begin());
        ordered = ordered && index >= previous;
        previous = index;
        order += (order.empty() ? L"" : L", ") + std::wstring(event.second);
        if (event.first == EventKind::MyStatusChange && at->recorded.arguments.size() == 2) {
            check_.expect(at->recorded.arguments[0].type() == VT_I4 && V_I4(at->recorded.arguments[0].get()) == S_OK &&
                              at->recorded.arguments[1].type() == VT_I4 && V_I4(at->recorded.arguments[1].get()) == 1,
                          event.second, L"did not report S_OK and Offline (1)");
        }
        if (event.first == EventKind::StateChanged) {
            check_.expect(at->stateChange && at->stateChange->oldState == ClientStateSignedIn &&
                              at->stateChange->newState == ClientStateSignedOut,
                          event.second, L"did not report signed in (3) -> signed out (1)");
        }
    }
    check_.expect(ordered, L"shutdown events", L"arrived out of order; expected " + order);
    if (shutdownSeen()) report_.line(L"the provider told Office it shuts down: " + order);
}

void OfficeSimulator::waitForHostExit()
{
    HANDLE host = OpenProcess(SYNCHRONIZE, FALSE, options_.hostProcessId);
    if (!host) {
        report_.line(L"host process " + std::to_wstring(options_.hostProcessId) + L" has ended");
        return;
    }
    report_.line(L"waiting up to " + std::to_wstring(hostExitTimeoutMs) + L" ms for the host process " +
                 std::to_wstring(options_.hostProcessId) + L" to end");
    // Pumping: while it ends, the host releases Office's sinks, which are calls into this apartment.
    DWORD index = 0;
    const bool ended = CoWaitForMultipleHandles(0, hostExitTimeoutMs, 1, &host, &index) == S_OK;
    CloseHandle(host);
    report_.line(ended ? L"the host process has ended" : L"the host process is still running; checking anyway");
}

void OfficeSimulator::checkObjectsAfterShutdown()
{
    if (options_.hostProcessId != 0) waitForHostExit();
    report_.section(L"after the shutdown: the objects Office still holds must fail cleanly, never hang");
    // The shutdown events come first and the provider finishes stopping after them: a call may still be
    // answered for a moment. Each probe is repeated until its answer is clean (any failure, or the
    // signed-out answer `clean` accepts) or the settling time is over; every call runs under the hang watch.
    const ULONGLONG settleUntil = GetTickCount64() + shutdownSettleMs;
    auto probe = [&](const std::wstring& name, auto makeCall, auto clean, const std::wstring& cleanMeaning) {
        for (;;) {
            const auto answer = check_.call(name, makeCall);
            if (FAILED(answer.hr) || clean(answer)) {
                check_.report().passed(name, hresultText(answer.hr));
                report_.step(name + L": " + hresultText(answer.hr) + (FAILED(answer.hr) ? L"" : L", " + cleanMeaning));
                return;
            }
            if (GetTickCount64() >= settleUntil) {
                check_.report().violation(name, L"answered " + hresultText(answer.hr) + L" " +
                                                    std::to_wstring(shutdownSettleMs) +
                                                    L" ms after the shutdown, as if the provider still ran");
                return;
            }
            events_.journal()->waitForNext(retryIntervalMs); // pumps meanwhile
        }
    };
    auto offline = [](const Answer<long>& status) { return status.value == 0 || status.value == 1; };
    auto never = [](const auto&) { return false; };
    auto anything = [](const auto&) { return true; };

    probe(L"CoCreateInstance(CLSID_Messenger)", [&] {
        Activation result = createMessenger(0);
        result.messenger.reset();
        return result;
    }, never, L"");
    const std::optional<DWORD> upAndRunning = tools::readRegistryValue(
        HKEY_CURRENT_USER, tools::ProviderKey, tools::UpAndRunningValue).asDword();
    if (check_.expect(upAndRunning != std::optional<DWORD>(2), L"UpAndRunning", L"still reads 2 after the shutdown"))
        report_.step(L"UpAndRunning " + upAndRunningText(upAndRunning));

    if (options_.office2010 && messengerResult_.signedIn) {
        IUnknown* messenger = messenger_.get();
        probe(L"IMessenger.MyStatus", [&] { return vtableMessenger_.myStatus(messenger); }, offline, L"offline");
        if (!messengerResult_.contacts.empty()) {
            IUnknown* contact = messengerResult_.contacts.front().get();
            probe(L"IMessengerContact.Status", [&] { return vtableMessenger_.status(contact); }, offline, L"offline");
        }
        if (!messengerResult_.contactNames.empty()) {
            const std::wstring name = messengerResult_.contactNames.front();
            probe(L"IMessenger.GetContact", [&] { return vtableMessenger_.getContact(messenger, name); }, never, L"");
        }
    }
    if (options_.office2016 && ucResult_.client) {
        IUnknown* client = ucResult_.client.get();
        probe(L"IUCCClient.State", [&] { return vtableUc_.clientState(client); },
              [](const Answer<long>& state) { return state.value == ClientStateSignedOut; }, L"signed out");
        if (!ucResult_.contacts.empty()) {
            // A contact may still read its host contact; what matters is that the call returns.
            IUnknown* contact = ucResult_.contacts.front().get();
            probe(L"IUCCContact.GetContactInformation(availability)",
                  [&] { return vtableUc_.contactInformation(contact, InformationAvailability); }, anything,
                  L"answered");
        }
        if (ucResult_.manager && !ucPeople_.empty()) {
            IUnknown* manager = ucResult_.manager.get();
            const std::wstring uri = ucPeople_.front();
            probe(L"IUCCContactManager.GetContactByUri", [&] { return vtableUc_.getContactByUri(manager, uri); },
                  never, L"");
        }
    }
}

int OfficeSimulator::finish()
{
    report_.printSummary();
    return report_.violations() > 0 ? ExitViolations : ExitOk;
}

} // namespace officesim
