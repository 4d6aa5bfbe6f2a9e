#pragma once

#include "StoppedNotification.h"
#include "include/TavoMessenger.h"

// The argument of the decorated stop export: a std::shared_ptr<TavoMessengerStoppedCallback> laid out by
// Microsoft's standard library, whatever compiler built this module. The module takes over the argument's
// reference (as a moved-from parameter, its own destruction is then a no-op), keeps the host's object alive
// until onStopped has returned, and releases it once with Microsoft's protocol. Only onStopped (entry 1 of
// the object's table) and _Destroy and _Delete_this (entries 0 and 1 of the control block's) are called.
class MicrosoftStoppedCallback : public StoppedNotification
{
public:
    // Empty, for a stop to come (adopt); a null shared pointer is never called.
    MicrosoftStoppedCallback() : pointer{nullptr, nullptr} {}
    explicit MicrosoftStoppedCallback(TavoMessengerSharedPointer adopted) : pointer(adopted) {}
    ~MicrosoftStoppedCallback() override;
    MicrosoftStoppedCallback(const MicrosoftStoppedCallback&) = delete;
    MicrosoftStoppedCallback& operator=(const MicrosoftStoppedCallback&) = delete;

    // Takes over the argument of a stop; called once, on an empty holder.
    void adopt(TavoMessengerSharedPointer adopted) { pointer = adopted; }

private:
    static void release(TavoMessengerSharedPointer pointer);
    void callHost() override;

    TavoMessengerSharedPointer pointer;
};
