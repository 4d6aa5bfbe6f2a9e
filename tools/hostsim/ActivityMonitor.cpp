#include "hostsim/ActivityMonitor.h"

#include "common/ImProviderRegistry.h"

namespace hostsim {

ActivityMonitor::ActivityMonitor(std::shared_ptr<fakehost::FakeHost> host, ActivityEvents events, DWORD intervalMs)
    : host_(std::move(host)), events_(std::move(events)), intervalMs_(intervalMs)
{
    thread_ = std::thread([this] { run(); });
}

ActivityMonitor::~ActivityMonitor()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ActivityMonitor::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        pollNow();
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(intervalMs_), [this] { return stopping_; });
    }
}

void ActivityMonitor::pollNow()
{
    std::lock_guard<std::mutex> lock(pollMutex_);
    const std::optional<DWORD> upAndRunning = tools::readUpAndRunning();
    if (first_ || upAndRunning != upAndRunning_) {
        upAndRunning_ = upAndRunning;
        if (events_.upAndRunningChanged) events_.upAndRunningChanged(upAndRunning);
    }
    first_ = false;

    const std::size_t listeners = host_->listenerCount();
    if (listeners != listeners_) {
        listeners_ = listeners;
        if (events_.listenerCountChanged) events_.listenerCountChanged(listeners);
    }

    const std::vector<std::wstring> resolutions = host_->resolveRequests();
    for (; resolutions_ < resolutions.size(); ++resolutions_)
        if (events_.resolutionRequested) events_.resolutionRequested(resolutions[resolutions_]);

    const std::vector<fakehost::ConversationStart> conversations = host_->conversations();
    for (; conversations_ < conversations.size(); ++conversations_)
        if (events_.conversationRequested) events_.conversationRequested(conversations[conversations_]);
}

} // namespace hostsim
