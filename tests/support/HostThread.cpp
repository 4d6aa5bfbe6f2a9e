#include "support/HostThread.h"

#include <windows.h>
#include <objbase.h>

#include <future>

namespace fakehost {

HostThread::HostThread() : queue_(std::make_shared<Queue>()), thread_(&HostThread::loop, queue_), threadId_(thread_.get_id()) {}

HostThread::~HostThread() { stop(); }

bool HostThread::post(std::function<void()> task)
{
    std::lock_guard<std::mutex> lock(queue_->mutex);
    if (queue_->stopping) return false;
    queue_->tasks.push_back(std::move(task));
    queue_->changed.notify_all();
    return true;
}

bool HostThread::run(const std::function<void()>& task)
{
    std::promise<void> done;
    const auto runAndSignal = [&] {
        task();
        done.set_value();
    };
    if (isCurrentThread()) runAndSignal();
    else if (!post(runAndSignal)) return false;
    done.get_future().wait();
    return true;
}

void HostThread::waitUntilIdle()
{
    if (isCurrentThread()) return;
    std::unique_lock<std::mutex> lock(queue_->mutex);
    queue_->changed.wait(lock, [this] { return queue_->tasks.empty() && !queue_->running; });
}

void HostThread::stop()
{
    {
        const std::lock_guard<std::mutex> lock(queue_->mutex);
        queue_->stopping = true;
        queue_->changed.notify_all();
    }
    if (thread_.joinable()) isCurrentThread() ? thread_.detach() : thread_.join();
}

void HostThread::loop(std::shared_ptr<Queue> queue)
{
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_lock<std::mutex> lock(queue->mutex);
    for (;;) {
        queue->changed.wait(lock, [&] { return !queue->tasks.empty() || queue->stopping; });
        if (queue->tasks.empty()) break;
        std::function<void()> task = std::move(queue->tasks.front());
        queue->tasks.pop_front();
        queue->running = true;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        queue->running = false;
        queue->changed.notify_all();
    }
    lock.unlock();
    if (SUCCEEDED(initialised)) CoUninitialize();
}

} // namespace fakehost
