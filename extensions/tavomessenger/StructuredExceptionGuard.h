#pragma once

#include <windows.h>

// Calls into the host where the host's code may raise a structured exception that it does not handle itself:
// an access violation, an exception of Microsoft's C++ or of .NET, RaiseException. g++ does not catch
// those with catch (...), on either architecture; this guard does, with an exception frame of its own, as
// an __except (EXCEPTION_EXECUTE_HANDLER) of Microsoft's compiler would: the host's frames are unwound
// (their own unwind handlers run) and the call ends instead of the process. Frames of this module's
// compiler between the guard and the host run no destructors on that path, so the function called holds
// nothing that needs one while it is inside the host.
// Threads: any; nothing is kept between calls.
namespace StructuredExceptionGuard {

// Calls function(context). True when it returned; false when a structured exception ended it, its code
// then in `code`. C++ exceptions of this module's compiler must not leave `function`.
bool call(void (*function)(void*), void* context, DWORD& code);

} // namespace StructuredExceptionGuard
