#include "queue/StdWorkQueue.h"

namespace bench {

StdWorkQueue::StdWorkQueue() : thread_([this] { run(); }) {}

StdWorkQueue::~StdWorkQueue()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    available_.notify_one();
    thread_.join();
}

void StdWorkQueue::AddWork(std::shared_ptr<WorkObject> work)
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        queue_.push_back(std::move(work));
    }
    available_.notify_one();
}

void StdWorkQueue::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        available_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        std::shared_ptr<WorkObject> work = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        work->DoWork();
        lock.lock();
    }
}

} // namespace bench
