#include "hostsim/HostSimulator.h"

#include "hostsim/PresenceValue.h"
#include "hostsim/TextUtils.h"

#include "common/ImProviderRegistry.h"

#include <algorithm>
#include <set>

namespace hostsim {

namespace {

const DWORD pollIntervalMs = 50;

std::wstring joined(const std::vector<std::wstring>& words)
{
    std::wstring text;
    for (const std::wstring& word : words) text += (text.empty() ? L"" : L", ") + word;
    return text;
}

std::wstring describeConversation(const fakehost::ConversationStart& start)
{
    const std::wstring people = joined(start.participants);
    switch (start.kind) {
    case fakehost::ConversationKind::InstantMessage:
        return L"a chat with " + people;
    case fakehost::ConversationKind::GroupChat:
        return L"a group chat with " + people + (start.hasSubject ? L" (subject \"" + start.subject + L"\")" : L"");
    case fakehost::ConversationKind::Call:
        return L"a call to " + people;
    case fakehost::ConversationKind::ConferenceCall:
        return L"a conference call with " + people;
    }
    return L"a conversation with " + people;
}

std::wstring upAndRunningText(std::optional<DWORD> value)
{
    return value ? std::to_wstring(*value) : std::wstring(L"(not set)");
}

std::wstring listenersText(std::size_t count)
{
    return std::to_wstring(count) + (count == 1 ? L" listener" : L" listeners");
}

std::wstring watchersText(std::size_t count)
{
    return std::to_wstring(count) + (count == 1 ? L" watcher" : L" watchers");
}

const long PresenceChangeCode = 4;

} // namespace

HostSimulator::HostSimulator(ModuleExports module, SimulatorSettings settings, tools::ConsoleOutput& output)
    : module_(std::move(module)),
      settings_(std::move(settings)),
      output_(output),
      host_(fakehost::FakeHost::create()),
      interrupt_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    applyDirectory();
    registration_ = host_->registerClassObject();
    if (FAILED(registration_)) {
        output_.error(L"cannot register the host's class object: " +
                      hexCode(static_cast<unsigned long>(registration_)));
    }
    ActivityEvents events;
    events.upAndRunningChanged = [this](std::optional<DWORD> value) { reportUpAndRunning(value); };
    events.listenerCountChanged = [this](std::size_t listeners) { reportListeners(listeners); };
    events.resolutionRequested = [this](const std::wstring& email) { reportResolutionRequest(email); };
    events.conversationRequested = [this](const fakehost::ConversationStart& start) { reportConversation(start); };
    monitor_ = std::make_unique<ActivityMonitor>(host_, std::move(events), pollIntervalMs);
}

HostSimulator::~HostSimulator()
{
    if (started_) stop();
    monitor_.reset();
    host_->clearLogHooks();
    host_->revokeClassObject();
    host_->shutdown();
    if (interrupt_) CloseHandle(interrupt_);
}

void HostSimulator::applyDirectory()
{
    const ContactDirectory& directory = settings_.directory;
    host_->setClientUser(directory.user.record);
    std::vector<std::wstring> contactList;
    for (const DirectoryEntry& contact : directory.contacts) {
        host_->addContact(contact.record);
        contactList.push_back(contact.record.signinName);
    }
    host_->setContactList(contactList);
    auto addAnswers = [&](const DirectoryEntry& entry) {
        for (const std::wstring& email : entry.emails) host_->setResolutionAnswer(email, entry.record.signinName);
    };
    addAnswers(directory.user);
    for (const DirectoryEntry& contact : directory.contacts) addAnswers(contact);

    std::set<long> levels;
    for (long level = 0; level <= settings_.logLevel; ++level) levels.insert(level);
    host_->setEnabledHostLevels(levels);
    host_->addLogHook([this](const fakehost::LogRecord& record) { printLogRecord(record); });
    setResolutionMode(settings_.resolutionMode);
}

// ---------------------------------------------------------------------------------------------------------
// Start and stop

bool HostSimulator::start(std::optional<unsigned long> flags)
{
    const unsigned long value = flags.value_or(settings_.defaultFlags);
    monitor_->pollNow(); // what happened before is reported before what this start brings
    if (!module_.start) {
        output_.error(L"the module is not loaded");
        return false;
    }
    if (started_) output_.note(L"the module runs already; it ignores a second start");
    output_.note(L"StartTavoMessenger(" + std::to_wstring(value) + L")");
    module_.start(static_cast<unsigned int>(value));
    started_ = true;
    output_.note(L"StartTavoMessenger returned");
    monitor_->pollNow();
    return true;
}

bool HostSimulator::stop()
{
    if (!module_.stop) {
        output_.error(L"the module is not loaded");
        return false;
    }
    tools::ConsoleOutput& output = output_;
    auto callback = std::make_shared<StoppedCallback>([&output](int callNumber) {
        if (callNumber == 1) output.note(L"onStopped called");
        else output.error(L"onStopped called again (call " + std::to_wstring(callNumber) + L" for one stop)");
    });
    lastStopCallback_ = callback;
    monitor_->pollNow(); // what happened before is reported before what this stop brings
    output_.note(L"StopTavoMessenger");
    const ULONGLONG begin = GetTickCount64();
    callStopTavoMessenger(module_.stop, callback); // as a host built with Microsoft's compiler calls it
    started_ = false;
    if (!callback->waitForCall(settings_.stopTimeoutMs)) {
        output_.error(L"onStopped was not called within " + std::to_wstring(settings_.stopTimeoutMs) + L" ms");
        monitor_->pollNow();
        return false;
    }
    output_.note(L"stopped (onStopped after " + std::to_wstring(GetTickCount64() - begin) + L" ms)");
    monitor_->pollNow();
    return true;
}

bool HostSimulator::unload()
{
    if (started_ && !stop()) return false;
    if (!module_.unload) {
        output_.error(L"the module is not loaded");
        return false;
    }
    output_.note(L"FreeLibrary(TavoMessenger.dll)");
    module_.unload();
    module_ = ModuleExports{nullptr, nullptr, module_.path, nullptr};
    output_.note(L"unloaded");
    return true;
}

bool HostSimulator::endProcess()
{
    monitor_->pollNow();
    output_.note(L"ExitProcess without stopping the module");
    ExitProcess(0);
}

int HostSimulator::lastStopCallbackCalls() const
{
    return lastStopCallback_ ? lastStopCallback_->calls() : 0;
}

// ---------------------------------------------------------------------------------------------------------
// Presence and sign-in

// A host reports a presence change twice: to its presence listener (the Messenger API's status events) and
// to the watchers of that contact with change code 4 (the UC API's information-changed events).
std::wstring HostSimulator::firePresence(const std::wstring& signinName)
{
    const std::vector<HRESULT> listeners = host_->firePresenceChanged(signinName);
    const std::vector<HRESULT> watchers = host_->fireContactChanged(signinName, {PresenceChangeCode});
    reportFailures(L"the presence event", listeners);
    reportFailures(L"the contact change event", watchers);
    return L"the presence event reached " + listenersText(listeners.size()) + L", the contact change event " +
           watchersText(watchers.size());
}

void HostSimulator::reportFailures(const std::wstring& event, const std::vector<HRESULT>& results)
{
    for (HRESULT result : results) {
        if (FAILED(result)) output_.error(L"a listener answered " + event + L" with " + hexCode(static_cast<unsigned long>(result)));
    }
}

bool HostSimulator::setPresence(const std::wstring& signinName, long presence, const std::wstring& text)
{
    if (!host_->contact(signinName)) {
        output_.error(L"nobody in the directory has the sign-in name " + signinName);
        return false;
    }
    host_->setPresence(signinName, presence, text);
    const std::wstring reached = firePresence(signinName);
    output_.note(signinName + L" is " + presenceName(presence) + L" (\"" + text + L"\"); " + reached);
    return true;
}

bool HostSimulator::signOut()
{
    if (signedOut_) {
        output_.note(L"signed out already");
        return true;
    }
    const std::wstring& user = settings_.directory.user.record.signinName;
    const std::optional<fakehost::ContactRecord> record = host_->contact(user);
    userPresence_ = record ? record->presence : 1;
    userPresenceText_ = record ? record->presenceText : std::wstring();
    signedOut_ = true;
    host_->setSignedInValue(1);
    host_->setPresence(user, 5, defaultPresenceText(5));
    const std::wstring reached = firePresence(user);
    output_.note(L"signed out: IsSignedIn answers 1 and " + user + L" is offline; " + reached);
    return true;
}

bool HostSimulator::signIn()
{
    if (!signedOut_) {
        output_.note(L"signed in already");
        return true;
    }
    const std::wstring& user = settings_.directory.user.record.signinName;
    signedOut_ = false;
    host_->setSignedInValue(0);
    host_->setPresence(user, userPresence_, userPresenceText_);
    const std::wstring reached = firePresence(user);
    output_.note(L"signed in: IsSignedIn answers 0 and " + user + L" is " + presenceName(userPresence_) +
                 L" again; " + reached);
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// E-mail resolution

bool HostSimulator::setResolutionMode(ResolutionMode mode)
{
    const bool manual = mode == ResolutionMode::Manual;
    manualResolution_ = manual;
    host_->setResolutionMode(manual ? fakehost::FakeHost::ResolutionMode::Manual
                                    : fakehost::FakeHost::ResolutionMode::Automatic);
    output_.note(manual ? L"e-mail resolutions wait for answer or refuse"
                        : L"e-mail resolutions are answered from the directory at once");
    return true;
}

bool HostSimulator::answerResolution(const std::wstring& email, const std::optional<std::wstring>& imAddress)
{
    const std::wstring address = imAddress ? *imAddress : settings_.directory.resolve(email).value_or(std::wstring());
    const std::vector<std::wstring> pending = host_->pendingResolutions();
    const bool wasPending = std::find(pending.begin(), pending.end(), email) != pending.end();
    const std::vector<HRESULT> results = host_->answerResolution(email, address);
    output_.note(L"resolution of " + email + L" answered with " + (address.empty() ? L"\"not found\"" : address) +
                 (wasPending ? L"" : L" (no such request was pending)") + L"; it reached " +
                 listenersText(results.size()));
    return true;
}

bool HostSimulator::showPendingResolutions()
{
    const std::vector<std::wstring> pending = host_->pendingResolutions();
    output_.note(std::to_wstring(pending.size()) + L" resolution(s) pending" +
                 (pending.empty() ? L"" : L": " + joined(pending)));
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Waiting

bool HostSimulator::waitUntilReady(DWORD timeoutMs)
{
    if (!started_) {
        output_.error(L"the module is not started, so it will not become ready");
        return false;
    }
    const ULONGLONG begin = GetTickCount64();
    for (;;) {
        const std::optional<DWORD> value = tools::readUpAndRunning();
        const ULONGLONG elapsed = GetTickCount64() - begin;
        if (value == std::optional<DWORD>(2)) {
            monitor_->pollNow(); // the ready line comes first, even when the monitor has not looked yet
            output_.note(L"wait-ready: UpAndRunning is 2 after " + std::to_wstring(elapsed) + L" ms");
            return true;
        }
        if (elapsed >= timeoutMs) {
            output_.error(L"UpAndRunning is " + upAndRunningText(value) + L", not 2, after " +
                          std::to_wstring(timeoutMs) + L" ms (the module's log says why)");
            return false;
        }
        Sleep(pollIntervalMs);
    }
}

bool HostSimulator::wait(DWORD milliseconds)
{
    ResetEvent(interrupt_);
    waiting_ = true;
    const bool interrupted = WaitForSingleObject(interrupt_, milliseconds) == WAIT_OBJECT_0;
    waiting_ = false;
    if (interrupted) output_.note(L"wait interrupted");
    return true;
}

bool HostSimulator::interruptWait()
{
    if (!waiting_) return false;
    SetEvent(interrupt_);
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Reports

bool HostSimulator::showStatus()
{
    const std::wstring& user = settings_.directory.user.record.signinName;
    const std::size_t listeners = host_->listenerCount();
    output_.note(L"module " + module_.path + (started_ ? L", started" : L", not started"));
    output_.note(L"UpAndRunning " + upAndRunningText(tools::readUpAndRunning()));
    output_.note(L"host user " + user + (signedOut_ ? L", signed out" : L", signed in"));
    output_.note(L"host " + listenersText(listeners) +
                 (listeners ? L" (Office has created the Messenger object)" : L" (Office has not connected)"));
    output_.note(std::wstring(L"e-mail resolution ") + (manualResolution_ ? L"manual" : L"automatic") + L", " +
                 std::to_wstring(host_->pendingResolutions().size()) + L" pending");
    return true;
}

std::wstring HostSimulator::describeEntry(const DirectoryEntry& entry) const
{
    const std::optional<fakehost::ContactRecord> current = host_->contact(entry.record.signinName);
    const fakehost::ContactRecord& record = current ? *current : entry.record;
    std::wstring text = record.signinName + L" | " + record.friendlyName + L" | " + presenceName(record.presence) +
                        L" \"" + record.presenceText + L"\"";
    auto add = [&](const wchar_t* key, const std::wstring& value) {
        if (!value.empty()) text += std::wstring(L" | ") + key + L"=" + value;
    };
    add(L"work", record.workNumber);
    add(L"home", record.homeNumber);
    add(L"mobile", record.mobileNumber);
    add(L"other", record.otherNumber);
    add(L"userid", record.userId);
    for (const std::wstring& email : entry.emails) add(L"email", email);
    if (record.tagged) add(L"tagged", L"yes");
    return text;
}

bool HostSimulator::showDirectory()
{
    output_.line(L"  user    " + describeEntry(settings_.directory.user));
    for (const DirectoryEntry& contact : settings_.directory.contacts)
        output_.line(L"  contact " + describeEntry(contact));
    return true;
}

bool HostSimulator::showActivity()
{
    const std::vector<std::wstring> resolutions = host_->resolveRequests();
    const std::vector<fakehost::ConversationStart> conversations = host_->conversations();
    output_.note(std::to_wstring(resolutions.size()) + L" resolution request(s)" +
                 (resolutions.empty() ? L"" : L": " + joined(resolutions)));
    output_.note(std::to_wstring(conversations.size()) + L" conversation(s) asked for");
    for (const fakehost::ConversationStart& start : conversations) output_.line(L"  " + describeConversation(start));
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// What the module and Office do (module, host and monitor threads)

void HostSimulator::printLogRecord(const fakehost::LogRecord& record)
{
    output_.line(L"[log " + std::to_wstring(record.hostLevel) + L"] " + record.function + L": " + record.message);
    // Printed is enough: the fake host would otherwise keep every record for the life of the process.
    host_->clearLog();
}

void HostSimulator::reportUpAndRunning(std::optional<DWORD> value)
{
    if (value == std::optional<DWORD>(2)) output_.note(L"ready (UpAndRunning 2)");
    else if (value == std::optional<DWORD>(1)) output_.note(L"starting (UpAndRunning 1)");
    else if (value == std::optional<DWORD>(0)) output_.note(L"not running (UpAndRunning 0)");
    else output_.note(L"UpAndRunning " + upAndRunningText(value));
}

void HostSimulator::reportListeners(std::size_t listeners)
{
    output_.note(L"the module has " + listenersText(listeners) + L" registered with the host" +
                 (listeners ? L" (Office created the Messenger object)" : L""));
}

void HostSimulator::reportResolutionRequest(const std::wstring& email)
{
    if (manualResolution_) {
        output_.note(L"the module asks to resolve " + email + L": pending (answer or refuse it)");
        return;
    }
    const std::optional<std::wstring> answer = settings_.directory.resolve(email);
    output_.note(L"the module asks to resolve " + email + L": answered with " +
                 (answer ? *answer : std::wstring(L"\"not found\"")));
}

void HostSimulator::reportConversation(const fakehost::ConversationStart& start)
{
    output_.note(L"the module asks the host to start " + describeConversation(start));
}

} // namespace hostsim
