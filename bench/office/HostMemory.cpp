#include "office/HostMemory.h"

#include <windows.h>

#include <initializer_list>

namespace bench {

bool askHostMemory(HeapFigures& figures)
{
    const HANDLE request = OpenEventW(EVENT_MODIFY_STATE, FALSE, HeapRequestEvent);
    const HANDLE answer = OpenEventW(SYNCHRONIZE, FALSE, HeapAnswerEvent);
    const HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, HeapFiguresMapping);
    bool answered = false;
    if (request && answer && mapping) {
        SetEvent(request);
        answered = WaitForSingleObject(answer, 30000) == WAIT_OBJECT_0;
        const void* view = answered ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(HeapFigures)) : nullptr;
        if (view) {
            figures = *static_cast<const HeapFigures*>(view);
            UnmapViewOfFile(view);
        }
        answered = view != nullptr;
    }
    for (HANDLE handle : {request, answer, mapping})
        if (handle) CloseHandle(handle);
    return answered;
}

} // namespace bench
