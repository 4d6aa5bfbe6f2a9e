#pragma once

// The fake host's own event thread, in COM's multithreaded apartment: events and resolution answers reach
// the module from here, as they would from a real host client's thread.
// Any thread may post to it; tasks run one at a time in the order posted.

#include <windows.h>
#include <objbase.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace fakehost {

class HostThread {
public:
    HostThread() : queue_(std::make_shared<Queue>()), thread_(&HostThread::loop, queue_), threadId_(thread_.get_id()) {}
    ~HostThread() { stop(); } // runs what is queued, then ends the thread

    // Queues the task; false once the thread is stopping (the task is dropped).
    bool post(std::function<void()> task)
    {
        std::lock_guard<std::mutex> lock(queue_->mutex);
        if (queue_->stopping) return false;
        queue_->tasks.push_back(std::move(task));
        queue_->changed.notify_all();
        return true;
    }

    // Runs the task on the host thread and waits for it; runs it at once when called on the host thread
    // itself. False when the thread is stopping (the task did not run).
    bool run(const std::function<void()>& task)
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

    bool isCurrentThread() const { return std::this_thread::get_id() == threadId_; }

    // Runs what is queued, refuses new tasks and joins the thread; on the host thread itself it only lets
    // the thread end after its current task.
    void stop()
    {
        {
            const std::lock_guard<std::mutex> lock(queue_->mutex);
            queue_->stopping = true;
            queue_->changed.notify_all();
        }
        if (thread_.joinable()) isCurrentThread() ? thread_.detach() : thread_.join();
    }

private:
    // Shared with the thread, so that a stop from inside a task can let the thread finish on its own.
    struct Queue {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::function<void()>> tasks; // guarded by mutex, as is:
        bool stopping = false;
    };

    static void loop(std::shared_ptr<Queue> queue)
    {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::unique_lock<std::mutex> lock(queue->mutex);
        for (;;) {
            queue->changed.wait(lock, [&] { return !queue->tasks.empty() || queue->stopping; });
            if (queue->tasks.empty()) break;
            std::function<void()> task = std::move(queue->tasks.front());
            queue->tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
        }
        lock.unlock();
        if (SUCCEEDED(initialised)) CoUninitialize();
    }

    std::shared_ptr<Queue> queue_;
    std::thread thread_;
    std::thread::id threadId_;
};

} // namespace fakehost
