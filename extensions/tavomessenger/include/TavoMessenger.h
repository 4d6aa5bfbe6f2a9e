// What a host client needs to drive TavoMessenger.dll: the two exports and the stopped callback.
//
// The host finds the exports with GetProcAddress under their decorated names:
//   "?StartTavoMessenger@@YAXI@Z"
//   "?StopTavoMessenger@@YAXV?$shared_ptr@VTavoMessengerStoppedCallback@@@std@@@Z"
#pragma once

#include <memory>

// Implemented by the host client; the module calls onStopped once per StopTavoMessenger, when the module
// has finished stopping (normally on the module's worker thread).
class TavoMessengerStoppedCallback
{
public:
    virtual ~TavoMessengerStoppedCallback() = default;
    virtual void onStopped() = 0;
};

// Starts the module as Office's IM provider; a second start while running is ignored.
// flags: 1 empties the UC authentication answer, 2 is phone mode; no other bit is read.
void StartTavoMessenger(unsigned int flags);

// Stops the module; callback->onStopped() follows once the module has stopped.
// The std::shared_ptr argument ties the host to the module's C++ ABI: build both with the same compiler
// and standard library.
void StopTavoMessenger(std::shared_ptr<TavoMessengerStoppedCallback> callback);

using StartTavoMessengerFunction = void (*)(unsigned int flags);
using StopTavoMessengerFunction = void (*)(std::shared_ptr<TavoMessengerStoppedCallback> callback);

constexpr const char* StartTavoMessengerExportName = "?StartTavoMessenger@@YAXI@Z";
constexpr const char* StopTavoMessengerExportName =
    "?StopTavoMessenger@@YAXV?$shared_ptr@VTavoMessengerStoppedCallback@@@std@@@Z";
