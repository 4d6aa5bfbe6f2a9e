#pragma once

// Office must never hang on its provider. Every call officesim makes runs inside a Scope; a thread of its
// own watches the call in progress and, when one has not returned within the limit, hands it to the hang
// handler (the program's prints the call and ends the process with its own exit code).
//
// Scopes are opened on the main thread, one at a time (a scope opened inside another replaces it until it
// closes); the handler runs on the watch's thread.

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace officesim {

class CallWatch {
public:
    using HangHandler = std::function<void(const std::wstring& call, DWORD elapsedMs)>;

    CallWatch(DWORD limitMs, HangHandler onHang);
    ~CallWatch();
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    class Scope {
    public:
        Scope(CallWatch& watch, const std::wstring& call);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CallWatch& watch_;
        std::wstring outerCall_;
        ULONGLONG outerStart_ = 0;
        bool outerActive_ = false;
    };

    DWORD limitMs() const { return limitMs_; }

private:
    void watch();

    const DWORD limitMs_;
    HangHandler onHang_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_:
    std::wstring call_;
    ULONGLONG started_ = 0;
    bool active_ = false;
    bool reported_ = false;
    bool stopping_ = false;
    std::thread thread_; // last: starts when everything else is ready
};

} // namespace officesim
