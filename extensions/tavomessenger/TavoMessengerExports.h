#pragma once

#include "include/TavoMessenger.h"

// The decorated exports that the host client drives, under plain names; TavoMessenger.def publishes them
// under the decorated names that host clients look up. Both take their arguments as Microsoft's compiler
// passes them (the stop export's shared pointer as its two words) and let nothing unwind into the host.
// Threads: the host's calling thread; the module mutex serialises every start and stop, so they never
// overlap. The C pair (TavoMessengerStart, TavoMessengerStop) is declared in the public header.
extern "C" void __cdecl StartTavoMessengerImpl(unsigned int flags);
extern "C" void __cdecl StopTavoMessengerImpl(TavoMessengerSharedPointer callback);
