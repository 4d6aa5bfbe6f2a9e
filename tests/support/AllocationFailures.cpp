#include "support/AllocationFailures.h"

namespace fakehost {

namespace {

thread_local long remaining = 0; // allocations until the failing one; 0 when not armed
thread_local bool failed = false;
thread_local int pauses = 0;

} // namespace

void AllocationFailures::arm(long n) { remaining = n, failed = false; }

bool AllocationFailures::disarm() { return remaining = 0, failed; }

bool AllocationFailures::nextAllocationFails()
{
    if (remaining == 0 || pauses > 0 || --remaining != 0) return false;
    return failed = true;
}

AllocationFailures::Pause::Pause() { ++pauses; }

AllocationFailures::Pause::~Pause() { --pauses; }

} // namespace fakehost
