#pragma once

// Interleaved rounds: each round times a batch of the module's operation and a batch of the baseline's,
// the order alternating from round to round so that drift in the machine's load falls on both sides alike,
// after one warm-up round that is not counted.

#include "measure/RatioRow.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

struct RoundPlan {
    int rounds = 15;
    int iterations = 200; // per batch, at least; raised so that a batch lasts batchMs
    double batchMs = 20;
};

inline std::string hresultText(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Iterations per batch so that the slower side's batch lasts about plan.batchMs.
inline int batchLength(const RoundPlan& plan, double moduleNs, double baselineNs)
{
    const double slower = moduleNs > baselineNs ? moduleNs : baselineNs;
    if (slower <= 0) return plan.iterations;
    const double wanted = plan.batchMs * 1e6 / slower;
    return wanted > plan.iterations ? static_cast<int>(wanted) : plan.iterations;
}

// Module and baseline rounds of two timed batches, alternating which goes first; a failed call fails the row.
template <class ModuleBatch, class BaselineBatch>
void interleave(RatioRow& row, RoundPlan plan, ModuleBatch&& module, BaselineBatch&& baseline)
{
    for (int round = -1; round < plan.rounds && !row.failed(); ++round) {
        HRESULT failure = S_OK;
        double moduleNs = 0, baselineNs = 0;
        if (round % 2 == 0) {
            moduleNs = module(plan.iterations, failure);
            baselineNs = baseline(plan.iterations, failure);
        } else {
            baselineNs = baseline(plan.iterations, failure);
            moduleNs = module(plan.iterations, failure);
        }
        if (FAILED(failure)) row.fail("a call failed with " + hresultText(failure));
        else if (round >= 0) row.add(moduleNs, baselineNs);
        else plan.iterations = batchLength(plan, moduleNs, baselineNs); // the warm-up round calibrates
    }
    row.setIterations(plan.iterations);
}

} // namespace bench
