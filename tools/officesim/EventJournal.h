#pragma once

// Every event and callback the provider sends to officesim's sinks, in arrival order, with a wake-up for
// the main thread. Sinks add from whatever thread COM calls them on; the main thread reads and waits.

#include "officesim/Answer.h"

#include "extensionsutils/Variant.h"

#include <windows.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace officesim {

struct RecordedEvent {
    IID eventInterface = {};
    std::wstring interfaceName; // "DMessengerEvents"
    DISPID id = 0;
    std::vector<extensionsutils::Variant> arguments; // first argument first
    ULONGLONG tick = 0;                              // GetTickCount64() on arrival
    // What the event data object said, read during the event call itself as Office's handlers read it
    // (the object may be gone once the call has returned).
    std::optional<Answer<StateChange>> stateChange;
    std::optional<Answer<std::vector<long>>> changedTypes;
};

class EventJournal {
public:
    EventJournal();
    ~EventJournal();
    EventJournal(const EventJournal&) = delete;
    EventJournal& operator=(const EventJournal&) = delete;

    // Any thread; wakes a waiting main thread.
    void add(RecordedEvent event);

    std::size_t size() const;
    std::vector<RecordedEvent> from(std::size_t index) const;

    // Waits until an event arrives (true) or the time is up (false). In a single-threaded apartment it pumps
    // meanwhile, so that COM can deliver the calls that bring the events.
    bool waitForNext(DWORD timeoutMs);

private:
    mutable std::mutex mutex_;
    std::vector<RecordedEvent> events_; // guarded by mutex_
    HANDLE arrived_;                    // auto-reset
};

} // namespace officesim
