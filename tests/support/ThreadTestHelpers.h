#pragma once

// Thread helpers for tests: the watchdog, a gate that holds threads until the test opens it, a bounded
// wait for a condition, and a group of threads running one body.

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// A kernel handle, closed when it goes.
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;
inline Handle newEvent() { return Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// Ends the test program with a clear message when a scope does not finish in time, so a deadlock fails the
// run instead of hanging it.
class Watchdog {
public:
    Watchdog(DWORD limitMs, const char* what) : limitMs_(limitMs), what_(what)
    {
        CreateTimerQueueTimer(&timer_, nullptr, &Watchdog::expired, this, limitMs, 0, WT_EXECUTEONLYONCE);
    }
    // Also waits for an expiry under way, so the timer never outlives this object.
    ~Watchdog() { DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE); }

private:
    static void CALLBACK expired(void* argument, BOOLEAN)
    {
        const Watchdog* self = static_cast<const Watchdog*>(argument);
        std::fprintf(stderr, "Watchdog: '%s' did not finish within %lu ms (deadlock?)\n", self->what_,
                     static_cast<unsigned long>(self->limitMs_));
        std::fflush(stderr);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 99);
    }

    DWORD limitMs_;
    const char* what_;
    HANDLE timer_ = nullptr;
};

// Holds every thread that arrives at it until the test opens it (20 s at most, so a failing test cannot
// hang); the test learns when the first one has arrived.
class Gate {
public:
    void arriveAndWait() const
    {
        SetEvent(reached_.get());
        WaitForSingleObject(open_.get(), 20000);
    }
    bool waitUntilReached() const { return WaitForSingleObject(reached_.get(), 20000) == WAIT_OBJECT_0; }
    void open() const { SetEvent(open_.get()); }

private:
    Handle reached_ = newEvent();
    Handle open_ = newEvent();
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

// How many threads this process has now.
inline long threadsOfThisProcess()
{
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    long threads = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    return threads;
}

// Runs `body` on `count` threads of its own; join() or the destructor waits for them.
class Threads {
public:
    Threads(int count, const std::function<void()>& body)
    {
        for (int i = 0; i < count; ++i) all_.emplace_back(body);
    }
    ~Threads() { join(); }
    void join()
    {
        for (std::thread& thread : all_) thread.join();
        all_.clear();
    }

private:
    std::vector<std::thread> all_;
};
