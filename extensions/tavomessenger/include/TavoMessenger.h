/* What a host client needs to drive TavoMessenger.dll.
 *
 * Two ways in, with the same lifecycle:
 *
 * 1. The contract: two C++ exports under Microsoft-decorated names, called exactly as a host built with
 *    Microsoft's compiler calls them, whatever compiler built the module:
 *      "?StartTavoMessenger@@YAXI@Z"
 *        void __cdecl StartTavoMessenger(unsigned int flags);
 *      "?StopTavoMessenger@@YAXV?$shared_ptr@VTavoMessengerStoppedCallback@@@std@@@Z"
 *        void __cdecl StopTavoMessenger(std::shared_ptr<TavoMessengerStoppedCallback> callback);
 *    The stop export takes Microsoft's std::shared_ptr by value (i686: its two words on the stack; x86_64: a
 *    pointer to the caller's temporary) and releases it itself; it calls onStopped, the second entry of the
 *    callback's virtual table, once. Under Microsoft's compiler this header declares the real signatures.
 *    Under other compilers it declares the argument's two words and callStopTavoMessenger, which builds a
 *    Microsoft-layout shared pointer and callback around a host's own std::shared_ptr and calls the export.
 *
 * 2. A plain C pair for hosts written in anything else (C, .NET through P/Invoke, Delphi, Rust), exported
 *    undecorated:
 *      HRESULT __stdcall TavoMessengerStart(unsigned int flags);
 *      HRESULT __stdcall TavoMessengerStop(TavoMessengerStoppedFunction onStopped, void* context);
 *
 * flags: 1 empties the UC authentication answer, 2 is phone mode; no other bit is read. A second start
 * while running is ignored; a start after a failed one starts afresh. Every stop notifies its callback
 * exactly once: on the module's worker thread once the module has stopped and let go of every host object
 * it kept, or at once on the calling thread when the module was not running. Right after the callback
 * returns the module releases the host's class object; from then on Office's calls reach nothing of the
 * host. A C++ or a structured exception (access violation, Microsoft C++, .NET) escaping from the callback
 * is caught and logged by the module, on both architectures; the host's process goes on.
 */
#ifndef TAVOMESSENGER_H
#define TAVOMESSENGER_H

#include <windows.h>

/* ----- The plain C pair ----- */

/* The host's stopped callback of the C pair. In C it is also spelled TavoMessengerStoppedCallback; in C++
 * that name belongs to the decorated export's callback class. */
typedef void(__stdcall* TavoMessengerStoppedFunction)(void* context);
#ifndef __cplusplus
typedef TavoMessengerStoppedFunction TavoMessengerStoppedCallback;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* S_OK, also when the module runs already; the failure of the start otherwise (the module is then stopping
 * and a later TavoMessengerStop is still answered; a later TavoMessengerStart starts afresh). */
HRESULT __stdcall TavoMessengerStart(unsigned int flags);

/* E_POINTER for a null onStopped (nothing is stopped). Otherwise S_OK, and onStopped(context) follows
 * exactly once, as for the decorated stop export. */
HRESULT __stdcall TavoMessengerStop(TavoMessengerStoppedFunction onStopped, void* context);

#ifdef __cplusplus
}
#endif

typedef HRESULT(__stdcall* TavoMessengerStartFunction)(unsigned int flags);
typedef HRESULT(__stdcall* TavoMessengerStopFunction)(TavoMessengerStoppedFunction onStopped, void* context);

/* The two words of a std::shared_ptr as Microsoft's standard library lays it out: the object, then its
 * control block (virtual table {_Destroy, _Delete_this, destructor, _Get_deleter}, then the use and the
 * weak counts, 32 bits each). */
typedef struct TavoMessengerSharedPointer {
    void* object;
    void* controlBlock;
} TavoMessengerSharedPointer;

#ifdef __cplusplus

#include <memory>
#include <utility>

/* ----- The decorated exports ----- */

// Implemented by the host client. The module calls onStopped (virtual table entry 1) once per stop.
class TavoMessengerStoppedCallback
{
public:
    virtual ~TavoMessengerStoppedCallback() = default;
    virtual void onStopped() = 0;
};

constexpr const char* StartTavoMessengerExportName = "?StartTavoMessenger@@YAXI@Z";
constexpr const char* StopTavoMessengerExportName =
    "?StopTavoMessenger@@YAXV?$shared_ptr@VTavoMessengerStoppedCallback@@@std@@@Z";

using StartTavoMessengerFunction = void(__cdecl*)(unsigned int flags);

#ifdef _MSC_VER

void StartTavoMessenger(unsigned int flags);
void StopTavoMessenger(std::shared_ptr<TavoMessengerStoppedCallback> callback);

using StopTavoMessengerFunction = void(__cdecl*)(std::shared_ptr<TavoMessengerStoppedCallback> callback);

inline void callStopTavoMessenger(StopTavoMessengerFunction stop, std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    stop(std::move(callback));
}

#else

// A two-pointer struct by value crosses exactly as Microsoft's shared pointer does (i686: on the stack;
// x86_64: by pointer to a caller-made copy), so this is the export's real form.
using StopTavoMessengerFunction = void(__cdecl*)(TavoMessengerSharedPointer callback);

namespace tavomessenger_abi {

#if defined(__i386__)
#define TAVOMESSENGER_THISCALL __attribute__((thiscall))
#else
#define TAVOMESSENGER_THISCALL
#endif

// One heap block holding a Microsoft-layout control block and the callback object its shared pointer
// points at; it keeps the host's std::shared_ptr until the last Microsoft-side reference is released.
struct SharedCallbackBlock {
    struct CallbackObject {
        const void* const* table;
        SharedCallbackBlock* block;
    };

    const void* const* controlTable; // first: the block's address is the control block's
    volatile long uses;
    volatile long weaks;
    CallbackObject object;
    std::shared_ptr<TavoMessengerStoppedCallback> host;

    static void TAVOMESSENGER_THISCALL destroy(SharedCallbackBlock* self) { self->host.reset(); }
    static void TAVOMESSENGER_THISCALL deleteThis(SharedCallbackBlock* self) { delete self; }
    // Neither is ever called through a shared pointer; present so that the tables are complete.
    static void* TAVOMESSENGER_THISCALL destructor(void*, unsigned int) { return nullptr; }
    static void* TAVOMESSENGER_THISCALL getDeleter(const void*, const void*) { return nullptr; }
    static void TAVOMESSENGER_THISCALL onStopped(CallbackObject* self)
    {
        if (self->block->host) self->block->host->onStopped();
    }

    static const void* const* controlTableEntries()
    {
        static const void* const entries[] = {reinterpret_cast<const void*>(&destroy),
                                              reinterpret_cast<const void*>(&deleteThis),
                                              reinterpret_cast<const void*>(&destructor),
                                              reinterpret_cast<const void*>(&getDeleter)};
        return entries;
    }
    static const void* const* objectTableEntries()
    {
        static const void* const entries[] = {reinterpret_cast<const void*>(&destructor),
                                              reinterpret_cast<const void*>(&onStopped)};
        return entries;
    }

    explicit SharedCallbackBlock(std::shared_ptr<TavoMessengerStoppedCallback> callback)
        : controlTable(controlTableEntries()), uses(1), weaks(1), object{objectTableEntries(), this},
          host(std::move(callback))
    {
    }

    // Microsoft's release: the last use destroys the object, the last weak reference the block.
    void release()
    {
        if (InterlockedDecrement(&uses) != 0) return;
        destroy(this);
        if (InterlockedDecrement(&weaks) == 0) deleteThis(this);
    }
};

} // namespace tavomessenger_abi

// Calls the decorated stop export as a Microsoft-built host does: `callback` (may be null) becomes a
// Microsoft-layout shared pointer whose copy the export receives and releases. The host's object lives
// until both the module and this call have let it go.
inline void callStopTavoMessenger(StopTavoMessengerFunction stop, std::shared_ptr<TavoMessengerStoppedCallback> callback)
{
    if (!callback) {
        stop(TavoMessengerSharedPointer{nullptr, nullptr});
        return;
    }
    auto* block = new tavomessenger_abi::SharedCallbackBlock(std::move(callback));
    InterlockedIncrement(&block->uses); // the argument's copy, released by the export
    stop(TavoMessengerSharedPointer{&block->object, block});
    block->release();
}

#endif // _MSC_VER
#endif // __cplusplus
#endif // TAVOMESSENGER_H
