#include "officesim/OfficeSimOptions.h"

#include <cwchar>
#include <cwctype>
#include <functional>
#include <map>

namespace officesim {

const wchar_t* const OfficeSimUsage =
    L"usage: officesim [options]\n"
    L"Plays Microsoft Office against the running IM provider: finds it as Office does (DefaultIMApp, then\n"
    L"UpAndRunning = 2), creates the Messenger object in the provider's process and runs Office's sessions,\n"
    L"checking every answer and event against the contract. Exit code 0: no violation; 1: violations;\n"
    L"2: could not run (bad command line, no running provider); 3: a call hung.\n"
    L"  --session 2010|2016|both   Office 2010 (Messenger API), Office 2013/2016 (UC API) or both (default)\n"
    L"  --binding vtable|late|both calls through the virtual tables, late-bound (IDispatch), or both (default)\n"
    L"  --late-bound               the same as --binding late\n"
    L"  --apartment sta|mta        the main thread's COM apartment (default sta, as Office's UI thread)\n"
    L"  --contact SIGNIN           a person to look at (repeatable; default: the contact list); the first one\n"
    L"                             is the one to chat with and call\n"
    L"  --resolve EMAIL            an address to resolve with ResolveContact (Office 2010; repeatable)\n"
    L"  --lookup TEXT              a text to look up with Lookup (Office 2013/2016; repeatable)\n"
    L"  --no-conversations         start no chat and no call\n"
    L"  --events N                 after the sessions, wait for N presence or contact change events\n"
    L"  --wait MS                  how long to wait for them (default 30000); alone: stay connected this long\n"
    L"  --expect-shutdown          wait for the provider's shutdown events, then check that the objects Office\n"
    L"                             holds fail cleanly\n"
    L"  --unadvise-on-shutdown     unadvise inside each shutdown event, as an Office that closes on it\n"
    L"  --hang-in-events           never return from the first event, as a hung Office (end it from outside)\n"
    L"  --host-pid PID             with --expect-shutdown: check the objects only after that process ended\n"
    L"  --expect-not-running       succeed only when no provider runs (UpAndRunning is not 2, activation fails)\n"
    L"  --ready-timeout MS         how long to wait for UpAndRunning = 2 (default 30000)\n"
    L"  --event-timeout MS         how long OnContactResolved and OnLookup may take (default 10000)\n"
    L"  --call-timeout MS          a call that has not returned by then is a hang (default 20000)\n"
    L"  --verbose                  print every check, not only the violations\n"
    L"  --help                     this text\n"
    L"While waiting, officesim prints \"officesim: waiting ...\": the moment for a script to act.";

namespace {

// A whole decimal number within 32 bits.
std::optional<unsigned long> parseNumber(const std::wstring& text)
{
    if (text.empty() || text.size() > 10) return std::nullopt;
    unsigned long long value = 0;
    for (wchar_t c : text) {
        if (!std::iswdigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned long long>(c - L'0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<unsigned long>(value);
}

bool chooseTwo(const std::wstring& value, const wchar_t* first, const wchar_t* second, bool& useFirst, bool& useSecond)
{
    if (value == first) useFirst = true, useSecond = false;
    else if (value == second) useFirst = false, useSecond = true;
    else if (value == L"both") useFirst = true, useSecond = true;
    else return false;
    return true;
}

} // namespace

DWORD OfficeSimOptions::waitLimitMs() const
{
    if (waitMs > 0) return waitMs;
    return (events > 0 || expectShutdown) ? 30000 : 0;
}

std::optional<OfficeSimOptions> parseOfficeSimOptions(const std::vector<std::wstring>& arguments, std::wstring& error)
{
    OfficeSimOptions options;
    using Handler = std::function<bool(const std::wstring&)>;
    auto number = [&](auto& target) {
        return Handler([&target](const std::wstring& value) {
            const std::optional<unsigned long> parsed = parseNumber(value);
            if (parsed) target = static_cast<std::remove_reference_t<decltype(target)>>(*parsed);
            return parsed.has_value();
        });
    };
    auto text = [](std::vector<std::wstring>& target) {
        return Handler([&target](const std::wstring& value) {
            if (value.empty()) return false;
            target.push_back(value);
            return true;
        });
    };
    const std::map<std::wstring, Handler> withValue = {
        {L"--session", [&](const std::wstring& v) {
             const std::wstring value = v == L"2007" ? L"2010" : (v == L"2013" ? L"2016" : v);
             return chooseTwo(value, L"2010", L"2016", options.office2010, options.office2016);
         }},
        {L"--binding", [&](const std::wstring& v) { return chooseTwo(v, L"vtable", L"late", options.vtable, options.lateBound); }},
        {L"--apartment", [&](const std::wstring& v) {
             if (v != L"sta" && v != L"mta") return false;
             options.singleThreadedApartment = v == L"sta";
             return true;
         }},
        {L"--contact", text(options.session.people)},
        {L"--resolve", text(options.session.resolve)},
        {L"--lookup", text(options.session.lookup)},
        {L"--events", number(options.events)},
        {L"--wait", number(options.waitMs)},
        {L"--host-pid", number(options.hostProcessId)},
        {L"--ready-timeout", number(options.readyTimeoutMs)},
        {L"--event-timeout", number(options.session.eventTimeoutMs)},
        {L"--call-timeout", number(options.callTimeoutMs)},
    };
    const std::map<std::wstring, std::function<void()>> switches = {
        {L"--late-bound", [&] { options.vtable = false, options.lateBound = true; }},
        {L"--no-conversations", [&] { options.session.conversations = false; }},
        {L"--expect-shutdown", [&] { options.expectShutdown = true; }},
        {L"--unadvise-on-shutdown", [&] { options.unadviseOnShutdown = true; }},
        {L"--hang-in-events", [&] { options.hangInEvents = true; }},
        {L"--expect-not-running", [&] { options.expectNotRunning = true; }},
        {L"--verbose", [&] { options.verbose = true; }},
        {L"--help", [&] { options.help = true; }},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (const auto flag = switches.find(argument); flag != switches.end()) {
            flag->second();
            continue;
        }
        const auto option = withValue.find(argument);
        if (option == withValue.end()) {
            error = L"unknown option " + argument;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = argument + L" needs a value";
            return std::nullopt;
        }
        const std::wstring& value = arguments[++i];
        if (!option->second(value)) {
            error = L"bad value for " + argument + L": " + value;
            return std::nullopt;
        }
    }
    if (options.hostProcessId != 0 && !options.expectShutdown) {
        error = L"--host-pid goes with --expect-shutdown";
        return std::nullopt;
    }
    if (options.callTimeoutMs == 0 || options.readyTimeoutMs == 0) {
        error = L"time-outs must be above 0";
        return std::nullopt;
    }
    return options;
}

} // namespace officesim
