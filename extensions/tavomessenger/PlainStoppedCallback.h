#pragma once

#include "StoppedNotification.h"
#include "include/TavoMessenger.h"

// The callback of the C stop export: a stdcall function and the host's context word.
class PlainStoppedCallback : public StoppedNotification
{
public:
    PlainStoppedCallback(TavoMessengerStoppedFunction function, void* context) : function(function), context(context) {}

private:
    void callHost() override { function(context); }

    TavoMessengerStoppedFunction function;
    void* context;
};
