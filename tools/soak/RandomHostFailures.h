#pragma once

// The failing host's faults: of the fake host's calls that have no injection of their own, `percent` fail at
// random, seeded and so replayable, with E_FAIL, RPC_E_DISCONNECTED, E_OUTOFMEMORY or an empty answer in
// equal parts.
//
// Installed as the fake host's outcome source, so next() runs under the fake host's lock, which also guards
// this object's state; read failures() once it is no longer installed.

#include "support/FakeHost.h"

namespace soak {

class RandomHostFailures {
public:
    RandomHostFailures(unsigned percent, unsigned seed) : percent_(percent), state_(seed) {}

    fakehost::FakeHost::Outcome next()
    {
        if (nextRandom() % 100 >= percent_) return {};
        ++failures_;
        static const HRESULT failures[] = {E_FAIL, RPC_E_DISCONNECTED, E_OUTOFMEMORY};
        const unsigned pick = nextRandom() % 4;
        if (pick == 3) return {true, fakehost::InjectedAnswer::Empty, S_OK};
        return {true, fakehost::InjectedAnswer::Failure, failures[pick]};
    }
    unsigned failures() const { return failures_; } // how many calls failed so far

private:
    // One step of a linear congruential generator: enough spread for picking failures, and replayable.
    unsigned nextRandom()
    {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 16) & 0x7fff;
    }

    const unsigned percent_;
    unsigned state_;
    unsigned failures_ = 0;
};

} // namespace soak
