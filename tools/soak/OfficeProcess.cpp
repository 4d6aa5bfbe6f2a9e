#include "soak/OfficeProcess.h"

#include <sstream>

namespace soak {

namespace {

const wchar_t* const FigurePrefix = L"soakoffice: figure ";
const wchar_t* const EventsPrefix = L"soakoffice: events ";
const wchar_t* const ArrivalsPrefix = L"soakoffice: arrivals ";
const wchar_t* const ProblemPrefix = L"soakoffice: problem ";
// Shorter than officesoak's own limit, so that a stuck Office is still there while its stacks are taken.
const DWORD readyWaitMs = 100000;
const DWORD stackHoldMs = 30000;

bool startsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

OfficeProcess::OfficeProcess(const std::wstring& name, const std::wstring& arguments, tools::ConsoleOutput& output)
    : name_(name), output_(output), process_(L"officesoak.exe", arguments)
{
    output_.note(L"office " + name_ + L" started: officesoak " + arguments);
}

OfficeProcess::~OfficeProcess()
{
    if (process_.started() && !process_.waitForExit(0)) process_.kill();
    echo();
}

void OfficeProcess::echo()
{
    if (echoed_) return;
    echoed_ = true;
    for (const xproc::OutputLine& line : process_.lines()) output_.line(L"office " + name_ + L" | " + line.text);
}

bool OfficeProcess::waitFor(const std::wstring& text, DWORD timeoutMs)
{
    const std::optional<std::size_t> found = process_.waitForLine(text, timeoutMs, seen_);
    if (!found) return false;
    seen_ = *found + 1;
    return true;
}

bool OfficeProcess::waitForReady()
{
    if (waitFor(L"soakoffice: ready", readyWaitMs)) return true;
    output_.line(L"soak: office " + name_ + L" did not connect in time; held " + std::to_wstring(stackHoldMs / 1000) +
                 L" s for the stacks");
    Sleep(stackHoldMs);
    return false;
}

std::optional<DWORD> OfficeProcess::finish(DWORD timeoutMs)
{
    process_.send("finish");
    process_.closeInput();
    return waitForExit(timeoutMs);
}

std::optional<DWORD> OfficeProcess::waitForExit(DWORD timeoutMs)
{
    const std::optional<DWORD> code = process_.waitForExit(timeoutMs);
    if (!code) process_.kill();
    echo();
    return code;
}

void OfficeProcess::kill()
{
    process_.kill();
    process_.waitForExit(10000);
    output_.note(L"office " + name_ + L" killed");
}

std::optional<long> OfficeProcess::figure(const std::wstring& name) const
{
    const std::wstring prefix = FigurePrefix + name + L" ";
    for (const xproc::OutputLine& line : process_.lines()) {
        if (startsWith(line.text, prefix.c_str())) return std::wcstol(line.text.c_str() + prefix.size(), nullptr, 10);
    }
    return std::nullopt;
}

std::vector<ContactEventFigures> OfficeProcess::events() const
{
    std::vector<ContactEventFigures> all;
    for (const xproc::OutputLine& line : process_.lines()) {
        if (!startsWith(line.text, EventsPrefix)) continue;
        std::wistringstream fields(line.text.substr(std::wcslen(EventsPrefix)));
        ContactEventFigures figures;
        if (fields >> figures.api >> figures.contact >> figures.fewest >> figures.most >> figures.sinks >> figures.orderFaults >> figures.lastStatus)
            all.push_back(figures);
    }
    return all;
}

std::vector<ContactArrivals> OfficeProcess::arrivals() const
{
    std::vector<ContactArrivals> all;
    for (const xproc::OutputLine& line : process_.lines()) {
        if (!startsWith(line.text, ArrivalsPrefix)) continue;
        std::wistringstream fields(line.text.substr(std::wcslen(ArrivalsPrefix)));
        ContactArrivals arrivals;
        if (!(fields >> arrivals.api >> arrivals.contact)) continue;
        for (unsigned long long tick = 0; fields >> tick;) arrivals.ticks.push_back(tick);
        all.push_back(arrivals);
    }
    return all;
}

std::vector<std::wstring> OfficeProcess::problems() const
{
    std::vector<std::wstring> all;
    for (const xproc::OutputLine& line : process_.lines())
        if (startsWith(line.text, ProblemPrefix)) all.push_back(line.text.substr(std::wcslen(ProblemPrefix)));
    return all;
}

} // namespace soak
