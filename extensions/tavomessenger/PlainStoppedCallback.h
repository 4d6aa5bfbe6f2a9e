#pragma once

#include "StoppedNotification.h"
#include "include/TavoMessenger.h"

// The callback of the C stop export: a stdcall function and the host's context word.
class PlainStoppedCallback : public StoppedNotification
{
public:
    // Empty, for a stop to come (adopt); an empty holder calls nothing.
    PlainStoppedCallback() = default;
    PlainStoppedCallback(TavoMessengerStoppedFunction function, void* context) : function(function), context(context) {}

    // Takes over the arguments of a stop; called once, on an empty holder.
    void adopt(TavoMessengerStoppedFunction adoptedFunction, void* adoptedContext)
    {
        function = adoptedFunction;
        context = adoptedContext;
    }

private:
    void callHost() override
    {
        if (function) function(context);
    }

    TavoMessengerStoppedFunction function = nullptr;
    void* context = nullptr;
};
