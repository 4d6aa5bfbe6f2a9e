#pragma once

// The simulator's command language, one command per line (standard input or a script file):
//
//   start [flags]                 StartTavoMessenger (flags: decimal or 0x hex; default from the command line)
//   stop                          StopTavoMessenger, then wait for onStopped
//   unload                        stop the module if it runs, then FreeLibrary it
//   end-process                   ExitProcess at once without stopping the module
//   presence <sign-in> <presence> [text]
//                                 change a person's presence (1-5 or available, away, dnd, idle, offline) and
//                                 fire the host's presence event
//   signout | signin              the host user signs out (IsSignedIn answers 1, the user shows offline) or in
//   resolve auto|manual           answer e-mail resolutions from the directory at once, or wait for commands
//   answer <e-mail> [im-address]  answer a resolution (default: from the directory)
//   refuse <e-mail>               answer a resolution with "not found"
//   pending                       list the resolutions waiting for an answer
//   wait <ms> | wait forever      pause (forever: until Ctrl+C)
//   wait-ready [timeout-ms]       wait until UpAndRunning is 2 (default 30000 ms)
//   status | contacts | activity  show the state, the directory, what the module asked the host to do
//   echo [text]                   print the text
//   help                          list the commands
//   quit | exit                   stop the module if it runs, and leave
//
// Words are separated by blanks; "double quotes" keep blanks in one word. Blank lines and lines starting with
// '#' are ignored. Runs on the simulator's main thread.

#include "common/ConsoleOutput.h"
#include "hostsim/HostActions.h"

#include <istream>
#include <string>
#include <vector>

namespace hostsim {

enum class CommandResult {
    Done,   // the command ran (or the line was empty)
    Failed, // the command was not understood, or its action failed
    Quit,
};

struct CommandOutcome {
    CommandResult result = CommandResult::Done;
    std::wstring error; // why the line was not understood; empty when the action itself failed or all is well
};

class CommandInterpreter {
public:
    CommandInterpreter(HostActions& actions, tools::ConsoleOutput& output);

    CommandOutcome execute(const std::wstring& line);

    // Runs UTF-8 lines until quit or the end of the input (which counts as quit). With stopAtFailure the
    // first failure ends the run and is the result. echo prints each command as "> line" before it runs.
    // Errors name the source and line: "<source>:<line>: ...".
    CommandResult run(std::istream& input, const std::wstring& source, bool echo, bool stopAtFailure);

    static void printHelp(tools::ConsoleOutput& output);

private:
    struct Command;
    using Words = std::vector<std::wstring>;

    CommandOutcome dispatch(const Command& command, const Words& arguments);

    static const std::vector<Command>& commands();

    HostActions& actions_;
    tools::ConsoleOutput& output_;
};

} // namespace hostsim
