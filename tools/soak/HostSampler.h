#pragma once

// What the host holds while Office works, sampled twice a second on a thread of its own: the fake host's
// live objects, the module's presence listeners and contact event connections, and the process's private
// bytes, kept as their highest values (the memory also as its value once the run has warmed up). Each
// sample also forgets what the fake host recorded, which a long run must not accumulate.

#include "support/FakeHost.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace soak {

struct HostSample {
    long liveObjects = 0;
    long listeners = 0;
    long contactConnections = 0;
    unsigned long long privateBytes = 0;
};

class HostSampler {
public:
    explicit HostSampler(fakehost::FakeHost& host);
    ~HostSampler();
    HostSampler(const HostSampler&) = delete;
    HostSampler& operator=(const HostSampler&) = delete;

    // Takes the memory baseline now (after the warm-up).
    void markWarm();
    HostSample highest() const;
    unsigned long long warmBytes() const;
    HostSample now() const;

private:
    void run();

    fakehost::FakeHost& host_;
    mutable std::mutex mutex_;
    HostSample highest_;             // guarded by mutex_
    unsigned long long warmBytes_ = 0; // guarded by mutex_
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace soak
