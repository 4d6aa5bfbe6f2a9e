#include "LogWatch.h"

#include "support/FakeOfficeSink.h"

LogWatch::LogWatch(fakehost::FakeHost& host) : state_(std::make_shared<State>())
{
    std::shared_ptr<State> state = state_;
    host.addLogHook([state](const fakehost::LogRecord& record) { state->observe(record); });
}

LogWatch::State::~State()
{
    for (HANDLE handle : threadHandles) CloseHandle(handle);
}

void LogWatch::State::observe(const fakehost::LogRecord& record)
{
    const Sighting sighting{record.threadId, fakeoffice::currentApartment()};
    std::lock_guard<std::mutex> lock(mutex);
    sightings.emplace(record.message, sighting);
    if (record.threadId == testThread || !threads.insert(record.threadId).second) return;
    // Opened while the thread surely runs: it is the one writing this record.
    if (HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, record.threadId)) threadHandles.push_back(handle);
}

std::optional<LogWatch::Sighting> LogWatch::firstSighting(const std::wstring& message) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto found = state_->sightings.find(message);
    if (found == state_->sightings.end()) return std::nullopt;
    return found->second;
}

bool LogWatch::waitUntilOtherThreadsEnded(DWORD timeoutMs) const
{
    std::vector<HANDLE> handles;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        handles = state_->threadHandles;
    }
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (HANDLE handle : handles) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        if (WaitForSingleObject(handle, left) != WAIT_OBJECT_0) return false;
    }
    return true;
}
