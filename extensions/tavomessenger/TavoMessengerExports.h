#pragma once

#include "include/TavoMessenger.h"

#include <memory>

// The two exports that the host client drives, under plain names; TavoMessenger.def publishes them under
// the decorated names that host clients look up.
// Threads: the host's calling thread; the module mutex serialises them, so start and stop never overlap.
extern "C" void StartTavoMessengerImpl(unsigned int flags);
extern "C" void StopTavoMessengerImpl(std::shared_ptr<TavoMessengerStoppedCallback> callback);
