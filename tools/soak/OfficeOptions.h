#pragma once

// officesoak's command line (the soak host starts it; see SoakOfficeMain.cpp):
//   officesoak load   [--threads N] [--calls N] [--watch N] [--contact-sinks N] [--seed N] [--check]
//                     [--block-events] [--arrivals]
//   officesoak cycles [--seed N]
//   officesoak fuzz   [--calls N] [--seed N]

#include <optional>
#include <string>
#include <vector>

namespace soak {

enum class OfficeMode { Load, Cycles, Fuzz };

struct OfficeOptions {
    OfficeMode mode = OfficeMode::Load;
    int threads = 1;
    long calls = 0;
    int watched = 0;
    int contactSinks = 0; // UC contact sinks per thread over the watched contacts (at least one each)
    unsigned seed = 1;
    bool check = false;
    bool blockEvents = false;
    bool arrivals = false; // report when each change arrived
};

std::optional<OfficeOptions> parseOfficeOptions(const std::vector<std::wstring>& arguments, std::wstring& error);

} // namespace soak
