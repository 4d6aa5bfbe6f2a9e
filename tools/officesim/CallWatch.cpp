#include "officesim/CallWatch.h"

namespace officesim {

namespace {

const DWORD checkIntervalMs = 50;

} // namespace

CallWatch::CallWatch(DWORD limitMs, HangHandler onHang)
    : limitMs_(limitMs), onHang_(std::move(onHang)), thread_([this] { watch(); })
{
}

CallWatch::~CallWatch()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

CallWatch::Scope::Scope(CallWatch& watch, const std::wstring& call) : watch_(watch)
{
    std::lock_guard<std::mutex> lock(watch_.mutex_);
    outerCall_ = watch_.call_;
    outerStart_ = watch_.started_;
    outerActive_ = watch_.active_;
    watch_.call_ = call;
    watch_.started_ = GetTickCount64();
    watch_.active_ = true;
    watch_.reported_ = false;
}

CallWatch::Scope::~Scope()
{
    std::lock_guard<std::mutex> lock(watch_.mutex_);
    watch_.call_ = outerCall_;
    watch_.started_ = outerStart_;
    watch_.active_ = outerActive_;
}

void CallWatch::watch()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(checkIntervalMs));
        if (stopping_ || !active_ || reported_) continue;
        const ULONGLONG elapsed = GetTickCount64() - started_;
        if (elapsed < limitMs_) continue;
        reported_ = true;
        const std::wstring call = call_;
        lock.unlock();
        onHang_(call, static_cast<DWORD>(elapsed));
        lock.lock();
    }
}

} // namespace officesim
