#include "officesim/EventJournal.h"

#include <objbase.h>

namespace officesim {

EventJournal::EventJournal() : arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

EventJournal::~EventJournal()
{
    if (arrived_) CloseHandle(arrived_);
}

void EventJournal::add(RecordedEvent event)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    SetEvent(arrived_);
}

std::size_t EventJournal::size() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
}

std::vector<RecordedEvent> EventJournal::from(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= events_.size()) return {};
    return std::vector<RecordedEvent>(events_.begin() + static_cast<std::ptrdiff_t>(index), events_.end());
}

bool EventJournal::waitForNext(DWORD timeoutMs)
{
    DWORD index = 0;
    const HRESULT hr = CoWaitForMultipleHandles(0, timeoutMs, 1, &arrived_, &index);
    return hr == S_OK;
}

} // namespace officesim
