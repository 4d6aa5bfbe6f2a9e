#pragma once

// Ends the test program with a clear message when a scope does not finish in time, so a deadlock fails the
// run instead of hanging it.

#include <windows.h>

#include <cstdio>

class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what)
        : limitMs_(limitMs)
        , what_(what)
        , finished_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
        , thread_(CreateThread(nullptr, 0, &Watchdog::watch, this, 0, nullptr))
    {
    }

    ~Watchdog()
    {
        SetEvent(finished_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(finished_);
    }

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI watch(void* argument)
    {
        const Watchdog* self = static_cast<const Watchdog*>(argument);
        if (WaitForSingleObject(self->finished_, self->limitMs_) == WAIT_OBJECT_0) return 0;
        std::fprintf(stderr, "Watchdog: '%s' did not finish within %lu ms (deadlock?)\n", self->what_,
                     static_cast<unsigned long>(self->limitMs_));
        std::fflush(stderr);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 99);
        return 1;
    }

    DWORD limitMs_;
    const char* what_;
    HANDLE finished_;
    HANDLE thread_;
};
