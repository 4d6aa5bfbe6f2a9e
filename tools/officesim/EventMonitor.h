#pragma once

// Office's side of every event connection: advises sinks (once per object and event interface, as Office
// does), makes callback objects for asynchronous calls, and turns what the sinks recorded into readable
// lines as the events arrive, checking each event's shape (argument count and types, the objects behind
// them). An event's data object is read during the event call, as Office's handlers read it; the rest
// (names, current values) on the main thread after the call has returned.
//
// Main thread only (the sinks record from any thread into the journal).

#include "officesim/Checker.h"
#include "officesim/EventJournal.h"
#include "officesim/EventSink.h"
#include "officesim/MessengerApi.h"
#include "officesim/UcApi.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace officesim {

enum class EventKind {
    ContactStatusChange,       // DMessengerEvents
    MyStatusChange,
    AppShutdown,
    ContactResolved,
    ShuttingDown,              // _IUCOfficeIntegrationEvents
    StateChanged,              // _IUCCLyncClientEvents
    ContactInformationChanged, // _IUCCContactEvents
    SettingChanged,
    Lookup,                    // _IUCCContactsAndGroupsCallback
    Unexpected,
};

struct SeenEvent {
    RecordedEvent recorded;
    EventKind kind = EventKind::Unexpected;
    std::wstring text;
    std::optional<StateChange> stateChange; // OnStateChanged, as its event data told it
};

class EventMonitor {
public:
    EventMonitor(Checker& check, MessengerApi& messenger, UcApi& uc, ULONGLONG startTick);
    ~EventMonitor();
    EventMonitor(const EventMonitor&) = delete;
    EventMonitor& operator=(const EventMonitor&) = delete;

    // Advises a sink for the interface on the object, unless one is advised there already (S_FALSE then).
    HRESULT advise(IUnknown* source, const IID& eventInterface, const std::wstring& interfaceName);
    // Sinks advised from now on unadvise inside the provider's shutdown event of their interface
    // (OnAppShutdown, OnStateChanged, OnShuttingDown), as an Office that closes on it does.
    void unadviseInShutdownHandlers() { unadviseInShutdownHandlers_ = true; }
    // Sinks advised from now on never return from an event, as a hung Office.
    void hangInHandlers() { hangInHandlers_ = true; }
    // Unadvises every sink on the object.
    void unadvise(IUnknown* source);
    void unadviseAll();

    // A callback object for an asynchronous call; its calls are recorded like events.
    extensionsutils::ComPtr<EventSink> callbackSink(const IID& callbackInterface, const std::wstring& name);

    // Describes (and prints) what arrived since the last call.
    void describeNew();
    // Pumps and describes until `done` answers true or the time is up; true when done.
    bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs);

    const std::vector<SeenEvent>& seen() const { return seen_; }
    std::size_t count(EventKind kind) const;
    // Presence and contact changes: OnContactStatusChange, OnContactInformationChanged, OnSettingChanged.
    std::size_t changeEvents() const;

    std::shared_ptr<EventJournal> journal() const { return journal_; }

private:
    struct Connection {
        extensionsutils::ComPtr<IUnknown> identity;
        IID eventInterface;
        extensionsutils::ComPtr<EventSink> sink;
    };

    EventSink::Capture captureFor(const IID& eventInterface);
    SeenEvent describe(const RecordedEvent& event);
    std::wstring describeContactStatusChange(const RecordedEvent& event, const std::wstring& name);
    std::wstring describeMyStatusChange(const RecordedEvent& event, const std::wstring& name);
    std::wstring describeContactResolved(const RecordedEvent& event, const std::wstring& name);
    std::wstring describeStateChanged(const RecordedEvent& event, const std::wstring& name, SeenEvent& seen);
    std::wstring describeInformationChanged(const RecordedEvent& event, const std::wstring& name);
    std::wstring activityOf(IUnknown* contact, const std::wstring& name);
    std::wstring describeSettingChanged(const RecordedEvent& event, const std::wstring& name);
    std::wstring describeLookup(const RecordedEvent& event, const std::wstring& name);
    // Argument count and types; false (with one violation) when they differ.
    bool expectArguments(const RecordedEvent& event, const std::wstring& name, const std::vector<VARTYPE>& types);
    std::wstring contactUriOf(IUnknown* contact, const std::wstring& name);

    Checker& check_;
    MessengerApi& messenger_;
    UcApi& uc_;
    const ULONGLONG startTick_;
    std::shared_ptr<EventJournal> journal_;
    std::vector<Connection> connections_;
    std::vector<SeenEvent> seen_;
    std::size_t described_ = 0; // journal entries described so far
    bool unadviseInShutdownHandlers_ = false;
    bool hangInHandlers_ = false;
};

// The object an event argument holds (VT_DISPATCH or VT_UNKNOWN), or null.
IUnknown* objectArgument(const extensionsutils::Variant& argument);

} // namespace officesim
