#include "hostsim/CommandInterpreter.h"

#include "hostsim/PresenceValue.h"
#include "hostsim/TextUtils.h"

#include "extensionsutils/Utf8.h"

#include <algorithm>
#include <functional>

namespace hostsim {

namespace {

using Words = std::vector<std::wstring>;

const DWORD defaultReadyTimeoutMs = 30000;

CommandOutcome actionResult(bool succeeded)
{
    return CommandOutcome{succeeded ? CommandResult::Done : CommandResult::Failed, std::wstring()};
}

CommandOutcome misunderstood(const std::wstring& error)
{
    return CommandOutcome{CommandResult::Failed, error};
}

CommandOutcome notANumber(const std::wstring& text)
{
    return misunderstood(L"'" + text + L"' is not a number");
}

CommandOutcome runStart(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    if (arguments.empty()) return actionResult(actions.start(std::nullopt));
    const std::optional<unsigned long> flags = parseUnsigned(arguments[0]);
    if (!flags) return notANumber(arguments[0]);
    return actionResult(actions.start(flags));
}

CommandOutcome runPresence(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    const std::optional<long> presence = parsePresence(arguments[1]);
    if (!presence) {
        return misunderstood(L"'" + arguments[1] + L"' is not a presence (expected " + PresenceChoices + L")");
    }
    const std::wstring text = arguments.size() > 2 ? arguments[2] : defaultPresenceText(*presence);
    return actionResult(actions.setPresence(arguments[0], *presence, text));
}

CommandOutcome runResolve(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    const std::wstring mode = toLower(arguments[0]);
    if (mode == L"auto") return actionResult(actions.setResolutionMode(ResolutionMode::Automatic));
    if (mode == L"manual") return actionResult(actions.setResolutionMode(ResolutionMode::Manual));
    return misunderstood(L"'" + arguments[0] + L"' is not a resolution mode (expected auto or manual)");
}

CommandOutcome runAnswer(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    std::optional<std::wstring> imAddress;
    if (arguments.size() > 1) imAddress = arguments[1];
    return actionResult(actions.answerResolution(arguments[0], imAddress));
}

CommandOutcome runWait(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    if (toLower(arguments[0]) == L"forever") return actionResult(actions.wait(INFINITE));
    const std::optional<unsigned long> milliseconds = parseUnsigned(arguments[0]);
    if (!milliseconds || *milliseconds == INFINITE) return notANumber(arguments[0]);
    return actionResult(actions.wait(*milliseconds));
}

CommandOutcome runWaitReady(HostActions& actions, tools::ConsoleOutput&, const Words& arguments)
{
    if (arguments.empty()) return actionResult(actions.waitUntilReady(defaultReadyTimeoutMs));
    const std::optional<unsigned long> timeout = parseUnsigned(arguments[0]);
    if (!timeout || *timeout == INFINITE) return notANumber(arguments[0]);
    return actionResult(actions.waitUntilReady(*timeout));
}

CommandOutcome runEcho(HostActions&, tools::ConsoleOutput& output, const Words& arguments)
{
    std::wstring text;
    for (const std::wstring& word : arguments) text += (text.empty() ? L"" : L" ") + word;
    output.line(text);
    return CommandOutcome();
}

} // namespace

struct CommandInterpreter::Command {
    const wchar_t* name;
    const wchar_t* alias; // or null
    const wchar_t* arguments;
    const wchar_t* summary;
    std::size_t minArguments;
    std::size_t maxArguments;
    std::function<CommandOutcome(HostActions&, tools::ConsoleOutput&, const Words&)> run; // null: help and quit
};

const std::vector<CommandInterpreter::Command>& CommandInterpreter::commands()
{
    static const std::size_t any = static_cast<std::size_t>(-1);
    static const std::vector<Command> table = {
        {L"start", nullptr, L"[flags]", L"StartTavoMessenger(flags)", 0, 1, runStart},
        {L"stop", nullptr, L"", L"StopTavoMessenger, then wait for onStopped", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.stop()); }},
        {L"unload", nullptr, L"", L"stop the module if it runs, then FreeLibrary it", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.unload()); }},
        {L"end-process", nullptr, L"", L"ExitProcess at once without stopping the module", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.endProcess()); }},
        {L"presence", nullptr, L"<sign-in name> <presence> [text]",
         L"change a person's presence and fire the host's presence event", 2, 3, runPresence},
        {L"signout", nullptr, L"", L"the host user signs out", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.signOut()); }},
        {L"signin", nullptr, L"", L"the host user signs in again", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.signIn()); }},
        {L"resolve", nullptr, L"auto|manual", L"answer e-mail resolutions at once, or on command", 1, 1, runResolve},
        {L"answer", nullptr, L"<e-mail> [im-address]", L"answer a resolution (default: from the directory)", 1, 2,
         runAnswer},
        {L"refuse", nullptr, L"<e-mail>", L"answer a resolution with \"not found\"", 1, 1,
         [](HostActions& actions, tools::ConsoleOutput&, const Words& arguments) {
             return actionResult(actions.answerResolution(arguments[0], std::wstring()));
         }},
        {L"pending", nullptr, L"", L"list the resolutions waiting for an answer", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) {
             return actionResult(actions.showPendingResolutions());
         }},
        {L"wait", nullptr, L"<ms>|forever", L"pause (forever: until Ctrl+C)", 1, 1, runWait},
        {L"wait-ready", nullptr, L"[timeout-ms]", L"wait until UpAndRunning is 2 (default 30000 ms)", 0, 1,
         runWaitReady},
        {L"status", nullptr, L"", L"show the module's and the host's state", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.showStatus()); }},
        {L"contacts", nullptr, L"", L"show the directory", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.showDirectory()); }},
        {L"activity", nullptr, L"", L"show the chats, calls and resolutions the module asked for", 0, 0,
         [](HostActions& actions, tools::ConsoleOutput&, const Words&) { return actionResult(actions.showActivity()); }},
        {L"echo", nullptr, L"[text]", L"print the text", 0, any, runEcho},
        {L"help", nullptr, L"", L"list the commands", 0, 0, nullptr},
        {L"quit", L"exit", L"", L"stop the module if it runs, and leave", 0, 0, nullptr},
    };
    return table;
}

CommandInterpreter::CommandInterpreter(HostActions& actions, tools::ConsoleOutput& output)
    : actions_(actions), output_(output)
{
}

CommandOutcome CommandInterpreter::execute(const std::wstring& line)
{
    const std::wstring trimmed = trim(line);
    if (trimmed.empty() || trimmed[0] == L'#') return CommandOutcome();
    Words words;
    std::wstring error;
    if (!splitWords(trimmed, words, error)) return misunderstood(error);
    const std::wstring name = toLower(words[0]);
    const Words arguments(words.begin() + 1, words.end());
    for (const Command& command : commands()) {
        if (name == command.name || (command.alias && name == command.alias)) return dispatch(command, arguments);
    }
    return misunderstood(L"unknown command '" + words[0] + L"' (help lists the commands)");
}

CommandOutcome CommandInterpreter::dispatch(const Command& command, const Words& arguments)
{
    if (arguments.size() < command.minArguments || arguments.size() > command.maxArguments) {
        const std::wstring usage = std::wstring(command.name) + (*command.arguments ? L" " : L"") + command.arguments;
        return misunderstood(L"usage: " + usage);
    }
    if (command.run) return command.run(actions_, output_, arguments);
    if (std::wstring(command.name) == L"quit") return CommandOutcome{CommandResult::Quit, std::wstring()};
    printHelp(output_);
    return CommandOutcome();
}

CommandResult CommandInterpreter::run(std::istream& input, const std::wstring& source, bool echo, bool stopAtFailure)
{
    std::string bytes;
    for (unsigned number = 1; std::getline(input, bytes); ++number) {
        if (number == 1 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
        const std::wstring line = extensionsutils::toUtf16(bytes);
        const std::wstring trimmed = trim(line);
        if (echo && !trimmed.empty() && trimmed[0] != L'#') output_.line(L"> " + trimmed);
        const CommandOutcome outcome = execute(line);
        if (!outcome.error.empty()) output_.error(source + L":" + std::to_wstring(number) + L": " + outcome.error);
        if (outcome.result == CommandResult::Quit) return CommandResult::Quit;
        if (outcome.result == CommandResult::Failed && stopAtFailure) {
            output_.error(source + L":" + std::to_wstring(number) + L": the script ends here");
            return CommandResult::Failed;
        }
    }
    return CommandResult::Quit;
}

void CommandInterpreter::printHelp(tools::ConsoleOutput& output)
{
    output.line(L"commands:");
    for (const Command& command : commands()) {
        std::wstring usage = command.name;
        if (command.alias) usage += std::wstring(L" | ") + command.alias;
        if (*command.arguments) usage += std::wstring(L" ") + command.arguments;
        usage.resize(std::max<std::size_t>(usage.size() + 2, 44), L' ');
        output.line(L"  " + usage + command.summary);
    }
    output.line(L"presence: " + std::wstring(PresenceChoices) + L"; \"double quotes\" keep blanks in one word");
}

} // namespace hostsim
