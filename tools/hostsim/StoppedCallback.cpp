#include "hostsim/StoppedCallback.h"

namespace hostsim {

StoppedCallback::StoppedCallback(Notifier notifier)
    : notifier_(std::move(notifier)), called_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

StoppedCallback::~StoppedCallback()
{
    if (called_) CloseHandle(called_);
}

void StoppedCallback::onStopped()
{
    int callNumber = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callNumber = ++calls_;
    }
    if (notifier_) notifier_(callNumber);
    SetEvent(called_);
}

int StoppedCallback::calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

bool StoppedCallback::waitForCall(DWORD timeoutMs) const
{
    return called_ && WaitForSingleObject(called_, timeoutMs) == WAIT_OBJECT_0;
}

} // namespace hostsim
