#pragma once

// Thread helpers for tests: the watchdog, a gate that holds threads until the test opens it, a bounded
// wait for a condition, and a group of threads running one body.

#include <windows.h>

#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

// Ends the test program with a clear message when a scope does not finish in time, so a deadlock fails the
// run instead of hanging it.
class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what) : limitMs_(limitMs), what_(what), thread_(CreateThread(nullptr, 0, &Watchdog::watch, this, 0, nullptr)) {}

    ~Watchdog() { SetEvent(finished_), WaitForSingleObject(thread_, INFINITE), CloseHandle(thread_), CloseHandle(finished_); }

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI watch(void* argument)
    {
        const Watchdog* self = static_cast<const Watchdog*>(argument);
        if (WaitForSingleObject(self->finished_, self->limitMs_) == WAIT_OBJECT_0) return 0;
        std::fprintf(stderr, "Watchdog: '%s' did not finish within %lu ms (deadlock?)\n", self->what_, static_cast<unsigned long>(self->limitMs_));
        std::fflush(stderr);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 99);
        return 1;
    }

    DWORD limitMs_;
    const char* what_;
    HANDLE finished_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_;
};

// Holds every thread that arrives at it until the test opens it (20 s at most, so a failing test cannot
// hang); the test learns when the first one has arrived.
class Gate {
public:
    Gate() = default;
    ~Gate() { CloseHandle(reached_), CloseHandle(open_); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    void arriveAndWait() const { SetEvent(reached_), WaitForSingleObject(open_, 20000); }
    bool waitUntilReached() const { return WaitForSingleObject(reached_, 20000) == WAIT_OBJECT_0; }
    void open() const { SetEvent(open_); }

private:
    HANDLE reached_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE open_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// Polls `done` until it answers true or `limitMs` passed; answers its last answer.
template <class Predicate>
bool waitUntil(Predicate done, DWORD limitMs = 10000)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    while (!done()) {
        if (GetTickCount64() >= end) return done();
        Sleep(1);
    }
    return true;
}

// Runs `body` on `count` threads of its own; join() or the destructor waits for them.
class Threads {
public:
    Threads(int count, const std::function<void()>& body) { for (int i = 0; i < count; ++i) all_.emplace_back(body); }
    ~Threads() { join(); }
    Threads(const Threads&) = delete;
    Threads& operator=(const Threads&) = delete;
    void join() { for (std::thread& thread : all_) thread.join(); all_.clear(); }

private:
    std::vector<std::thread> all_;
};
