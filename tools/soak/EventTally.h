#pragma once

// What one advised Office sink received, per contact: how many presence changes, the last status, and
// how many changes broke the presence cycle's order. The provider sends presence as state (a change a
// sink has not been sent yet is replaced by a newer one), so a sink may skip statuses of the cycle, and
// a status that repeats the one before is a duplicate or a whole cycle skipped: counted, not judged.
// Sinks add from COM's threads; the owning Office thread reads at the end.

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace soak {

struct ContactEvents {
    long received = 0;
    long orderFaults = 0;
    long lastStatus = 0; // 0: nothing received yet
    std::vector<unsigned long long> arrivals; // GetTickCount64() of each, when kept
};

class EventTally {
public:
    // Also keeps when each change arrived (a short run's measure: it grows with every event).
    explicit EventTally(bool keepArrivals = false) : keepArrivals_(keepArrivals) {}

    // A Messenger status change: checked against the presence cycle.
    void statusChange(const std::wstring& contact, long status);
    // A UC information change (no status in it: counted only).
    void informationChange(const std::wstring& contact);
    void other();

    std::map<std::wstring, ContactEvents> contacts() const;
    long others() const;
    long total() const;
    // GetTickCount64() of the last event (0: none yet).
    unsigned long long lastArrival() const;

private:
    void arrived(ContactEvents& events);

    const bool keepArrivals_;
    mutable std::mutex mutex_;
    std::map<std::wstring, ContactEvents> contacts_; // guarded by mutex_
    long others_ = 0;                                // guarded by mutex_
    long total_ = 0;                                 // guarded by mutex_
    unsigned long long lastArrival_ = 0;             // guarded by mutex_
};

} // namespace soak
