#include "MicrosoftStoppedCallback.h"

#include <windows.h>

namespace {

#if defined(__i386__) && defined(__GNUC__)
#define MEMBER_CALL __attribute__((thiscall))
#elif defined(_M_IX86)
#define MEMBER_CALL __thiscall
#else
#define MEMBER_CALL
#endif

// Virtual table entries as Microsoft's compiler calls them: "this" in ECX on i686, in RCX on x86_64.
using NoArgumentEntry = void(MEMBER_CALL*)(void* self);

// std::_Ref_count_base: the table pointer, then the use and the weak counts.
struct ControlBlock {
    void* const* table;
    volatile LONG uses;
    volatile LONG weaks;
};
const int destroyEntry = 0;
const int deleteThisEntry = 1;
const int onStoppedEntry = 1;

NoArgumentEntry entryOf(void* object, int index)
{
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<NoArgumentEntry>(table[index]);
}

} // namespace

MicrosoftStoppedCallback::~MicrosoftStoppedCallback()
{
    release(pointer);
}

void MicrosoftStoppedCallback::release(TavoMessengerSharedPointer pointer)
{
    auto* block = static_cast<ControlBlock*>(pointer.controlBlock);
    if (!block || InterlockedDecrement(&block->uses) != 0) return;
    entryOf(block, destroyEntry)(block);
    if (InterlockedDecrement(&block->weaks) == 0) entryOf(block, deleteThisEntry)(block);
}

void MicrosoftStoppedCallback::callHost()
{
    if (pointer.object) entryOf(pointer.object, onStoppedEntry)(pointer.object);
}
