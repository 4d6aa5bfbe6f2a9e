#pragma once

// The host's presence storm: one watched contact after the other changes presence (through the presence
// cycle of SoakPeople.h) and the host reports each change as a host does, to its presence listener and to
// the contact's watchers (change code 4), paced by a period. Counts what it fired per contact.
//
// Its own thread fires; start, stop and the counts are for the scenario's thread.

#include "support/FakeHost.h"

#include <atomic>
#include <thread>
#include <vector>

namespace soak {

class PresenceStorm {
public:
    PresenceStorm(fakehost::FakeHost& host, int watched, DWORD periodMs);
    ~PresenceStorm();
    PresenceStorm(const PresenceStorm&) = delete;
    PresenceStorm& operator=(const PresenceStorm&) = delete;

    void start();
    void stop();
    // Fires `count` changes on the calling thread, `pauseMs` apart (the storm must be stopped).
    void fire(int count, DWORD pauseMs = 0);

    long fired(int contact) const { return fired_[static_cast<std::size_t>(contact)]; }
    // GetTickCount64() of each change fired to the contact, in order.
    const std::vector<unsigned long long>& firedAt(int contact) const { return firedAt_[static_cast<std::size_t>(contact)]; }
    // The status the contact's last change brought (the first of the cycle when none was fired).
    long lastStatus(int contact) const;
    long firedTotal() const;

private:
    void fireNext();

    fakehost::FakeHost& host_;
    const int watched_;
    const DWORD periodMs_;
    std::vector<long> fired_; // per watched contact; written by the firing thread only
    std::vector<std::vector<unsigned long long>> firedAt_; // the same
    int next_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace soak
