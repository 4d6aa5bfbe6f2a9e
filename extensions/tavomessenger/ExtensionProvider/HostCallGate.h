#pragma once

#include "vorn/Mutex.h"

// The calls under way on a host object that the module's stop may take away. A call passes while the
// gate is open; closing refuses every later call and waits until the calls under way have returned, so
// the object can be released with nothing in it. Cheap to make (a critical section, no kernel object):
// every contact has one, and Office makes and drops contacts by the hundred.
//
// Threads: any; `mutex` guards the counts. A call may end on another thread than the one it began on.
class HostCallGate
{
public:
    // One call through the gate: passed while the gate was open, it leaves when it goes.
    class Call
    {
    public:
        explicit Call(HostCallGate& gate) : gate(gate), passed(gate.enter()) {}
        ~Call()
        {
            if (passed) gate.leave();
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

        explicit operator bool() const { return passed; }

    private:
        HostCallGate& gate;
        const bool passed;
    };

    // Refuses later calls and returns once no call is under way. Never from a call through this gate:
    // it would wait for itself.
    void close();

private:
    bool enter();
    void leave();

    vorn::Mutex mutex;
    long calls = 0;
    bool closed = false;
};
