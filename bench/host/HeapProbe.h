#pragma once

// Answers benchoffice's requests for the host process's memory (see HeapFigures) from a thread of its own:
// the bytes in use in every process heap, walked with HeapWalk, and the host objects alive.
//
// Threads: construct and destroy on one thread; the answering thread is its own.

#include "measure/BenchNames.h"

#include <windows.h>

#include <functional>

namespace bench {

// The busy bytes of every heap of this process; each heap is locked while it is walked.
unsigned long long heapBytesInUse();

class HeapProbe {
public:
    explicit HeapProbe(std::function<long()> liveHostObjects);
    ~HeapProbe();
    HeapProbe(const HeapProbe&) = delete;
    HeapProbe& operator=(const HeapProbe&) = delete;

private:
    static DWORD WINAPI threadMain(void* self);
    void answerRequests();

    std::function<long()> liveHostObjects_;
    HANDLE request_, answer_, mapping_, stop_, thread_ = nullptr;
    HeapFigures* figures_ = nullptr;
};

} // namespace bench
