#pragma once

// The fake host's own event thread, in COM's multithreaded apartment: events and resolution answers reach
// the module from here, as they would from a real host client's thread.
// Any thread may post to it; tasks run one at a time in the order posted.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace fakehost {

class HostThread {
public:
    HostThread();
    ~HostThread(); // runs what is queued, then ends the thread

    // Queues the task; false once the thread is stopping (the task is dropped).
    bool post(std::function<void()> task);

    // Runs the task on the host thread and waits for it; runs it at once when called on the host thread
    // itself. False when the thread is stopping (the task did not run).
    bool run(const std::function<void()>& task);

    // Waits until nothing is queued or running (returns at once on the host thread itself).
    void waitUntilIdle();

    bool isCurrentThread() const { return std::this_thread::get_id() == threadId_; }

    // Runs what is queued, refuses new tasks and joins the thread; on the host thread itself it only lets
    // the thread end after its current task.
    void stop();

private:
    // Shared with the thread, so that a stop from inside a task can let the thread finish on its own.
    struct Queue {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::function<void()>> tasks; // guarded by mutex, as are:
        bool running = false, stopping = false;  // a task is running; the thread is stopping
    };

    static void loop(std::shared_ptr<Queue> queue);

    std::shared_ptr<Queue> queue_;
    std::thread thread_;
    std::thread::id threadId_;
};

} // namespace fakehost
