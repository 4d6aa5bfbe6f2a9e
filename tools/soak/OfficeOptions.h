#pragma once

// officesoak's command line (the soak host starts it; see SoakOfficeMain.cpp):
//   officesoak load   [--threads N] [--calls N] [--watch N] [--seed N] [--check] [--block-events]
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
    unsigned seed = 1;
    bool check = false;
    bool blockEvents = false;
};

std::optional<OfficeOptions> parseOfficeOptions(const std::vector<std::wstring>& arguments, std::wstring& error);

} // namespace soak
