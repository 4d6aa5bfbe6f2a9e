#include "host/HeapProbe.h"

#include <initializer_list>
#include <vector>

namespace bench {

unsigned long long heapBytesInUse()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr));
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    unsigned long long bytes = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
        HeapUnlock(heap);
    }
    return bytes;
}

HeapProbe::HeapProbe(std::function<long()> liveHostObjects)
    : liveHostObjects_(std::move(liveHostObjects)),
      request_(CreateEventW(nullptr, FALSE, FALSE, HeapRequestEvent)),
      answer_(CreateEventW(nullptr, FALSE, FALSE, HeapAnswerEvent)),
      mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HeapFigures),
                                  HeapFiguresMapping)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (mapping_) figures_ = static_cast<HeapFigures*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(HeapFigures)));
    if (request_ && answer_ && figures_ && stop_) thread_ = CreateThread(nullptr, 0, &HeapProbe::threadMain, this, 0, nullptr);
}

HeapProbe::~HeapProbe()
{
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (figures_) UnmapViewOfFile(figures_);
    for (HANDLE handle : {request_, answer_, mapping_, stop_})
        if (handle) CloseHandle(handle);
}

DWORD WINAPI HeapProbe::threadMain(void* self)
{
    static_cast<HeapProbe*>(self)->answerRequests();
    return 0;
}

void HeapProbe::answerRequests()
{
    const HANDLE waits[] = {stop_, request_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        figures_->bytesInUse = heapBytesInUse();
        figures_->liveHostObjects = liveHostObjects_();
        SetEvent(answer_);
    }
}

} // namespace bench
