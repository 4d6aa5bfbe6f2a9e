#include "StructuredExceptionGuard.h"

#include <cstddef>

#if defined(_MSC_VER)

namespace {

LONG catchAll(DWORD raised, DWORD& code)
{
    code = raised;
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

bool StructuredExceptionGuard::call(void (*function)(void*), void* context, DWORD& code)
{
    __try {
        function(context);
    } __except (catchAll(GetExceptionCode(), code)) {
        return false;
    }
    return true;
}

#elif defined(__GNUC__) && defined(__i386__)

// i686: exception frames are records chained from fs:[0], each on the stack of its own function. The guard
// links one in around the call. Its handler unwinds the frames above it with msvcrt's _global_unwind2
// (RtlUnwind, keeping the registers that RtlUnwind may change) and resumes the guard through
// __builtin_longjmp. The module has no SafeSEH table, so Windows accepts a handler anywhere in it; should
// it ever get one, the handler has to be listed there.

extern "C" void __cdecl _global_unwind2(void* frame);

namespace {

struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD registration; // first: the frame's address is the record's
    void* resume[5];                            // __builtin_setjmp's buffer
    DWORD code;
};

EXCEPTION_REGISTRATION_RECORD* firstFrame()
{
    EXCEPTION_REGISTRATION_RECORD* first = nullptr;
    asm volatile("movl %%fs:0, %0" : "=r"(first));
    return first;
}

void setFirstFrame(EXCEPTION_REGISTRATION_RECORD* first)
{
    asm volatile("movl %0, %%fs:0" : : "r"(first) : "memory");
}

EXCEPTION_DISPOSITION NTAPI guardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*, void*)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    frame->code = record->ExceptionCode;
    _global_unwind2(establisher);
    __builtin_longjmp(frame->resume, 1);
}

} // namespace

bool StructuredExceptionGuard::call(void (*function)(void*), void* context, DWORD& code)
{
    GuardFrame frame = {};
    frame.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&guardHandler);
    frame.registration.Next = firstFrame();
    setFirstFrame(&frame.registration);
    if (__builtin_setjmp(frame.resume) == 0) {
        function(context);
        setFirstFrame(frame.registration.Next);
        return true;
    }
    // Resumed by the handler: the unwind left this frame first in the chain.
    setFirstFrame(frame.registration.Next);
    code = frame.code;
    return false;
}

#elif defined(__GNUC__) && defined(__x86_64__)

// x86_64: exception handlers are found through each function's unwind information. The guard is a small
// function in assembly that names its own handler there and keeps the address of `code` in its frame;
// the handler writes the exception code there and unwinds to the guard's resume label with RtlUnwindEx,
// which hands the guard 1 in rax. A call that returns answers 0.

extern "C" DWORD tavomessengerGuardedCall(void (*function)(void*), void* context, DWORD* code);
extern "C" char tavomessengerGuardResume[];
extern "C" EXCEPTION_DISPOSITION tavomessengerGuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                                           DISPATCHER_CONTEXT* dispatcher);

namespace {

// Where the guard keeps `code`: in its own frame, above the callee's 32-byte home area.
const std::size_t codeSlot = 32;

} // namespace

asm(R"(
    .text
    .p2align 4
    .globl tavomessengerGuardedCall
    .def tavomessengerGuardedCall; .scl 2; .type 32; .endef
    .seh_proc tavomessengerGuardedCall
tavomessengerGuardedCall:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler tavomessengerGuardHandler, @except
    movq %r8, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    xorl %eax, %eax
    .globl tavomessengerGuardResume
tavomessengerGuardResume:
    addq $40, %rsp
    retq
    .seh_endproc
)");

extern "C" EXCEPTION_DISPOSITION tavomessengerGuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                                           DISPATCHER_CONTEXT* dispatcher)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    DWORD* const code = *reinterpret_cast<DWORD**>(static_cast<char*>(establisher) + codeSlot);
    *code = record->ExceptionCode;
    RtlUnwindEx(establisher, tavomessengerGuardResume, record, reinterpret_cast<void*>(1), dispatcher->ContextRecord,
                dispatcher->HistoryTable);
    return ExceptionContinueSearch; // not reached: the unwind resumes the guard
}

bool StructuredExceptionGuard::call(void (*function)(void*), void* context, DWORD& code)
{
    DWORD raised = 0;
    if (tavomessengerGuardedCall(function, context, &raised) == 0) return true;
    code = raised;
    return false;
}

#else
#error "StructuredExceptionGuard: no exception frame for this compiler and architecture"
#endif
