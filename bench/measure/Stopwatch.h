#pragma once

// Elapsed time from the performance counter, in nanoseconds.

#include <windows.h>

namespace bench {

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }

    double elapsedNs() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e9 / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

// Nanoseconds per call of `operation`, run `iterations` times; stops early when a call fails.
template <class Operation>
double nsPerCall(int iterations, Operation&& operation, HRESULT& failure)
{
    Stopwatch watch;
    for (int i = 0; i < iterations; ++i) {
        const HRESULT hr = operation();
        if (FAILED(hr)) {
            failure = hr;
            break;
        }
    }
    return watch.elapsedNs() / iterations;
}

} // namespace bench
