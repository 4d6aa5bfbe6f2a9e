#pragma once

// One officesoak process as the soak host runs it: started beside soakhost.exe with its arguments, its
// lines read as they come (and echoed into the host's output as "office <name> | ..." when it ends), told
// to finish through its standard input, and its figures read from its last lines.

#include "ChildProcess.h"

#include "common/ConsoleOutput.h"

#include <optional>
#include <string>
#include <vector>

namespace soak {

// "soakoffice: events <api> <contact> <fewest> <most> <sinks> <order faults> <last status>"
struct ContactEventFigures {
    std::wstring api;
    std::wstring contact;
    long fewest = 0;
    long most = 0;
    long sinks = 0;
    long orderFaults = 0;
    long lastStatus = 0; // -1: the sinks disagree
};

// "soakoffice: arrivals <api> <contact> <tick> ...": when one thread's sinks got each change of a contact.
struct ContactArrivals {
    std::wstring api;
    std::wstring contact;
    std::vector<unsigned long long> ticks;
};

class OfficeProcess {
public:
    OfficeProcess(const std::wstring& name, const std::wstring& arguments, tools::ConsoleOutput& output);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    bool started() const { return process_.started(); }
    // Waits for a line containing the text (after the lines already seen by earlier waits).
    bool waitFor(const std::wstring& text, DWORD timeoutMs);
    // Waits for "soakoffice: ready". When it does not come, says so at once and keeps the process (and the
    // soak host) as they stand for a while, so that scripts/soak can take every thread's stack.
    bool waitForReady();
    // Sends "finish" and waits for the exit; nothing when it did not end in time (it is killed then).
    std::optional<DWORD> finish(DWORD timeoutMs);
    std::optional<DWORD> waitForExit(DWORD timeoutMs);
    void kill();

    // "soakoffice: figure <name> <value>"; nothing when it was not printed.
    std::optional<long> figure(const std::wstring& name) const;
    std::vector<ContactEventFigures> events() const;
    std::vector<ContactArrivals> arrivals() const;
    std::vector<std::wstring> problems() const;

private:
    void echo();

    const std::wstring name_;
    tools::ConsoleOutput& output_;
    xproc::ChildProcess process_;
    std::size_t seen_ = 0;
    bool echoed_ = false;
};

} // namespace soak
