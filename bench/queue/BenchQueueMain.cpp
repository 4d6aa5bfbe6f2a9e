// benchqueue: the module's worker queue (WorkerThreadImpl over the vorn thread pool) against a std::mutex
// + std::condition_variable queue in the same binary. Each round one thread adds a batch of trivial work
// objects and the time runs until the last has run on the worker; the figure is throughput, baseline time
// over worker time (higher is better). A second row queues from two threads at once.
//   benchqueue [--quick]

#include "measure/Interleave.h"
#include "measure/Stopwatch.h"
#include "queue/StdWorkQueue.h"
#include "utils/WorkerThreadImpl.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Counts itself done; the last of a batch wakes the measuring thread.
class CountingWork : public WorkObject {
public:
    CountingWork(std::atomic<int>& remaining, HANDLE done) : remaining_(remaining), done_(done) {}
    void DoWork() override
    {
        if (--remaining_ == 0) SetEvent(done_);
    }

private:
    std::atomic<int>& remaining_;
    HANDLE done_;
};

// Nanoseconds per item: `producers` threads each add items/producers objects; until the last has run.
template <class Queue>
double nsPerItem(Queue& queue, int items, int producers)
{
    std::atomic<int> remaining{items};
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<std::shared_ptr<WorkObject>> work;
    for (int i = 0; i < items; ++i) work.push_back(std::make_shared<CountingWork>(remaining, done));
    bench::Stopwatch watch;
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int i = p; i < items; i += producers) queue.AddWork(work[i]);
        });
    }
    for (std::thread& thread : threads) thread.join();
    WaitForSingleObject(done, INFINITE);
    const double ns = watch.elapsedNs() / items;
    CloseHandle(done);
    return ns;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const bench::RoundPlan plan{quick ? 7 : 21, 2000, quick ? 20.0 : 50.0};
    auto worker = std::make_shared<WorkerThreadImpl>();
    bench::StdWorkQueue baseline;
    for (int producers : {1, 2}) {
        bench::RatioRow row("8", "worker queue vs std::mutex + condition_variable queue, " +
                                     std::to_string(producers) + (producers == 1 ? " producer" : " producers"),
                            "ns", true);
        row.setTarget(bench::atLeast(0.5));
        bench::interleave(row, plan, [&](int items, HRESULT&) { return nsPerItem(*worker, items, producers); },
                          [&](int items, HRESULT&) { return nsPerItem(baseline, items, producers); });
        std::printf("%s\n", row.line().c_str());
    }
    worker->stop([] {}, true);
    return 0;
}
