#include "RecordingStoppedCallback.h"

#include "support/FakeOfficeSink.h"

RecordingStoppedCallback::RecordingStoppedCallback(const fakehost::FakeHost* host)
    : host_(host), called_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

RecordingStoppedCallback::~RecordingStoppedCallback()
{
    CloseHandle(called_);
}

void RecordingStoppedCallback::onStopped()
{
    const bool revoked = host_ && host_->logged(L"Revoking Messenger Class Factory complete");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++calls_;
        thread_ = GetCurrentThreadId();
        apartment_ = fakeoffice::currentApartment();
        revocationLoggedBefore_ = revoked;
    }
    SetEvent(called_);
}

int RecordingStoppedCallback::calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

DWORD RecordingStoppedCallback::thread() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return thread_;
}

std::string RecordingStoppedCallback::apartment() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return apartment_;
}

bool RecordingStoppedCallback::revocationLoggedBefore() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return revocationLoggedBefore_;
}

bool RecordingStoppedCallback::waitForCall(DWORD timeoutMs) const
{
    return WaitForSingleObject(called_, timeoutMs) == WAIT_OBJECT_0;
}
