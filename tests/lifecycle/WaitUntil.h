#pragma once

// Polling for state that another thread brings about (the module's worker thread, COM, the registry).

#include <windows.h>

#include <functional>

// Checks `condition` every few milliseconds until it holds or `timeoutMs` has passed; true when it held.
inline bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(2);
    }
}
