#pragma once

// hostsim's command line:
//   hostsim [--module PATH] [--directory FILE] [--install] [--log-level 0-5] [--flags N] [--no-start]
//           [--resolve auto|manual] [--script FILE] [--help]
// The module and the directory default to TavoMessenger.dll and demo-directory.txt beside hostsim.exe.

#include "hostsim/HostActions.h"

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct HostSimOptions {
    std::wstring modulePath;    // empty: beside the program
    std::wstring directoryPath; // empty: beside the program
    bool install = false;
    long logLevel = 3;
    unsigned long flags = 0;
    bool startAtLaunch = true;
    ResolutionMode resolutionMode = ResolutionMode::Automatic;
    std::wstring scriptPath; // empty: commands from standard input
    bool help = false;
};

// The options, or nothing with the reason in `error`.
std::optional<HostSimOptions> parseHostSimOptions(const std::vector<std::wstring>& arguments, std::wstring& error);

extern const wchar_t* const HostSimUsage;

} // namespace hostsim
