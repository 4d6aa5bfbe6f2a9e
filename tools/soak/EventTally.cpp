#include "soak/EventTally.h"

#include "soak/SoakPeople.h"

#include <windows.h>

namespace soak {

void EventTally::statusChange(const std::wstring& contact, long status)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ContactEvents& events = contacts_[contact];
    // Every contact starts at the first status of the cycle, so no change brings that status again
    // straight after it.
    if (status == (events.lastStatus ? events.lastStatus : StatusCycle[0])) ++events.orderFaults;
    events.lastStatus = status;
    arrived(events);
}

void EventTally::informationChange(const std::wstring& contact)
{
    std::lock_guard<std::mutex> lock(mutex_);
    arrived(contacts_[contact]);
}

// Under mutex_.
void EventTally::arrived(ContactEvents& events)
{
    ++events.received;
    ++total_;
    lastArrival_ = GetTickCount64();
    if (keepArrivals_) events.arrivals.push_back(lastArrival_);
}

void EventTally::other()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++others_;
    ++total_;
    lastArrival_ = GetTickCount64();
}

std::map<std::wstring, ContactEvents> EventTally::contacts() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return contacts_;
}

long EventTally::others() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return others_;
}

long EventTally::total() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return total_;
}

unsigned long long EventTally::lastArrival() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastArrival_;
}

} // namespace soak
