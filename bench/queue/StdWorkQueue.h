#pragma once

// The baseline of the worker queue: the plainest correct single-consumer queue, a std::mutex and a
// std::condition_variable over a std::deque of the same work objects, run in order on one std::thread.
// AddWork from any thread; the destructor runs what is queued, then ends the thread.

#include "utils/WorkObject.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace bench {

class StdWorkQueue {
public:
    StdWorkQueue();
    ~StdWorkQueue();
    StdWorkQueue(const StdWorkQueue&) = delete;
    StdWorkQueue& operator=(const StdWorkQueue&) = delete;

    void AddWork(std::shared_ptr<WorkObject> work);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<std::shared_ptr<WorkObject>> queue_; // guarded by mutex_
    bool stopping_ = false;                         // guarded by mutex_
    std::thread thread_;                            // last: started once the rest exists
};

} // namespace bench
