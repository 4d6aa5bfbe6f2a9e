#pragma once

// officesim's command line:
//   officesim [--session 2010|2016|both] [--binding vtable|late|both] [--late-bound] [--apartment sta|mta]
//             [--contact SIGNIN]... [--resolve EMAIL]... [--lookup TEXT]... [--no-conversations]
//             [--events N] [--wait MS] [--expect-shutdown] [--unadvise-on-shutdown] [--hang-in-events] [--host-pid PID]
//             [--expect-not-running]
//             [--ready-timeout MS] [--event-timeout MS] [--call-timeout MS] [--verbose] [--help]

#include "officesim/SessionSettings.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace officesim {

struct OfficeSimOptions {
    bool office2010 = true; // the Messenger API session
    bool office2016 = true; // the UC API session
    bool vtable = true;
    bool lateBound = true;
    bool singleThreadedApartment = true; // as Office's UI thread
    SessionSettings session;
    long events = 0;        // change events to wait for after the sessions
    DWORD waitMs = 0;       // how long to wait for them (or, alone, how long to stay connected)
    bool expectShutdown = false;
    bool unadviseOnShutdown = false; // each shutdown event's sink unadvises inside its handler
    bool hangInEvents = false;       // every sink blocks for good in its first event
    DWORD hostProcessId = 0;        // with expectShutdown: probe only after this process has ended
    bool expectNotRunning = false;  // succeed only when no provider runs
    DWORD readyTimeoutMs = 30000;   // UpAndRunning must read 2 within this
    DWORD callTimeoutMs = 20000;    // a call that has not returned by then is a hang
    bool verbose = false;
    bool help = false;

    // How long the waiting phase lasts at most: waitMs, or 30 s when events or the shutdown are awaited.
    DWORD waitLimitMs() const;
    bool waits() const { return events > 0 || expectShutdown || waitMs > 0; }
};

// The options, or nothing with the reason in `error`.
std::optional<OfficeSimOptions> parseOfficeSimOptions(const std::vector<std::wstring>& arguments, std::wstring& error);

extern const wchar_t* const OfficeSimUsage;

} // namespace officesim
