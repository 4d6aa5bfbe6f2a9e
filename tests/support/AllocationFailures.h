#pragma once

// Out-of-memory injection for the module's own allocations. A test program that replaces operator new
// asks nextAllocationFails() on every allocation; after arm(n) the nth allocation made on that thread
// fails. The fake host pauses the count while it does its own work, so only the module's allocations
// count and fail. Off unless armed; per thread, so other threads never see a failure.
namespace fakehost {

class AllocationFailures {
public:
    // The nth allocation from now on this thread fails (n >= 1).
    static void arm(long n)
    {
        remaining_ = n;
        failed_ = false;
    }
    // Ends the injection on this thread; true when an allocation failed since arm.
    static bool disarm()
    {
        remaining_ = 0;
        return failed_;
    }
    static bool nextAllocationFails() { return remaining_ != 0 && pauses_ == 0 && --remaining_ == 0 && (failed_ = true); }

    // While one lives on a thread, its allocations neither count nor fail.
    class Pause {
    public:
        Pause() { ++pauses_; }
        ~Pause() { --pauses_; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
    };

private:
    static inline thread_local long remaining_ = 0; // allocations until the failing one; 0 when not armed
    static inline thread_local bool failed_ = false;
    static inline thread_local int pauses_ = 0;
};

} // namespace fakehost
