#pragma once

// What a host client does that the simulator's commands ask for. The simulator implements it over the
// module and the fake host; the command interpreter only parses and calls. Every action reports on the
// simulator's output itself; false means it failed (and said why).

#include <windows.h>

#include <optional>
#include <string>

namespace hostsim {

enum class ResolutionMode {
    Automatic, // the host answers each e-mail resolution from the directory at once
    Manual,    // resolutions wait for the answer or refuse command
};

class HostActions {
public:
    virtual ~HostActions() = default;

    // StartTavoMessenger(flags); nothing when the default flags of the command line apply.
    virtual bool start(std::optional<unsigned long> flags) = 0;
    // StopTavoMessenger with a new stopped callback, then waits for onStopped.
    virtual bool stop() = 0;
    // Stops the module if it runs, then unloads it (FreeLibrary) while Office may still hold its objects.
    virtual bool unload() = 0;
    // Ends the process at once without stopping the module, as a crash handler or "end task" would.
    virtual bool endProcess() = 0;
    // Changes the person's presence in the directory and fires the host's presence event.
    virtual bool setPresence(const std::wstring& signinName, long presence, const std::wstring& text) = 0;
    virtual bool signOut() = 0;
    virtual bool signIn() = 0;
    virtual bool setResolutionMode(ResolutionMode mode) = 0;
    // Answers a resolution: with the given IM address ("" means not found), or from the directory.
    virtual bool answerResolution(const std::wstring& email, const std::optional<std::wstring>& imAddress) = 0;
    virtual bool showPendingResolutions() = 0;
    virtual bool waitUntilReady(DWORD timeoutMs) = 0;
    // Waits the time given (INFINITE: until interrupted with Ctrl+C).
    virtual bool wait(DWORD milliseconds) = 0;
    virtual bool showStatus() = 0;
    virtual bool showDirectory() = 0;
    virtual bool showActivity() = 0;
};

} // namespace hostsim
