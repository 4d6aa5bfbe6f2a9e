#include "soak/OfficeLoad.h"

#include "soak/OfficeThread.h"
#include "soak/SoakPeople.h"

#include <objbase.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

namespace soak {

namespace {

// Longer than the soak host waits, so that an Office still connecting is there when its stacks are taken.
const DWORD readyTimeoutMs = 150000;

struct ContactSpread {
    long fewest = -1;
    long most = 0;
    long sinks = 0;
    long orderFaults = 0;
    long lastStatus = 0;

    void add(const ContactEvents& events)
    {
        lastStatus = sinks == 0 || lastStatus == events.lastStatus ? events.lastStatus : -1;
        fewest = fewest < 0 ? events.received : std::min(fewest, events.received);
        most = std::max(most, events.received);
        ++sinks;
        orderFaults += events.orderFaults;
    }
};

// The events per watched contact over all sinks; a watched contact that a sink never heard of counts 0.
std::map<std::wstring, ContactSpread> spreadOf(const std::vector<const ThreadResult*>& results, int watched,
                                               std::map<std::wstring, ContactEvents> ThreadResult::*which)
{
    std::map<std::wstring, ContactSpread> spread;
    for (const ThreadResult* result : results) {
        const std::map<std::wstring, ContactEvents>& contacts = result->*which;
        for (int i = 0; i < watched; ++i) {
            const auto found = contacts.find(contactSigninName(i));
            spread[contactSigninName(i)].add(found == contacts.end() ? ContactEvents() : found->second);
        }
        for (const auto& entry : contacts) {
            if (spread.count(entry.first) == 0) spread[entry.first].add(entry.second);
        }
    }
    return spread;
}

void printSpread(tools::ConsoleOutput& output, const wchar_t* api, const std::map<std::wstring, ContactSpread>& spread)
{
    for (const auto& entry : spread) {
        output.line(std::wstring(L"soakoffice: events ") + api + L" " + entry.first + L" " +
                    std::to_wstring(entry.second.fewest) + L" " + std::to_wstring(entry.second.most) + L" " +
                    std::to_wstring(entry.second.sinks) + L" " + std::to_wstring(entry.second.orderFaults) + L" " +
                    std::to_wstring(entry.second.lastStatus));
    }
}

// One line per contact and thread: "soakoffice: arrivals <api> <contact> <tick> <tick> ..."
void printArrivals(tools::ConsoleOutput& output, const wchar_t* api, const std::map<std::wstring, ContactEvents>& contacts)
{
    for (const auto& entry : contacts) {
        std::wstring line = std::wstring(L"soakoffice: arrivals ") + api + L" " + entry.first;
        for (const unsigned long long tick : entry.second.arrivals) line += L" " + std::to_wstring(tick);
        output.line(line);
    }
}

bool waitForAll(const std::vector<std::unique_ptr<OfficeThread>>& threads, HANDLE (OfficeThread::*which)() const,
                DWORD timeoutMs)
{
    std::vector<HANDLE> handles;
    for (const auto& thread : threads) handles.push_back(((*thread).*which)());
    return WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, timeoutMs) == WAIT_OBJECT_0;
}

void printFigures(tools::ConsoleOutput& output, const OfficeOptions& options, const std::vector<const ThreadResult*>& results)
{
    long calls = 0, unexpected = 0, others = 0, checkFailures = 0;
    for (const ThreadResult* result : results) {
        calls += result->mix.calls;
        unexpected += result->mix.unexpected;
        others += result->otherEvents;
        for (const std::wstring& problem : result->mix.first) output.line(L"soakoffice: problem " + problem);
        if (!result->checkProblem.empty()) {
            ++checkFailures;
            output.line(L"soakoffice: problem known answers: " + result->checkProblem);
        }
    }
    output.line(L"soakoffice: figure calls " + std::to_wstring(calls));
    output.line(L"soakoffice: figure unexpected " + std::to_wstring(unexpected));
    output.line(L"soakoffice: figure other-events " + std::to_wstring(others));
    if (options.check) output.line(L"soakoffice: figure check-failures " + std::to_wstring(checkFailures));
    printSpread(output, L"messenger", spreadOf(results, options.watched, &ThreadResult::statusChanges));
    printSpread(output, L"uc", spreadOf(results, options.watched, &ThreadResult::informationChanges));
    if (!options.arrivals) return;
    for (const ThreadResult* result : results) {
        printArrivals(output, L"messenger", result->statusChanges);
        printArrivals(output, L"uc", result->informationChanges);
    }
}

} // namespace

HANDLE startFinishListener()
{
    const HANDLE finish = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread([finish] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line.rfind("finish", 0) == 0) break;
        }
        SetEvent(finish);
    }).detach();
    return finish;
}

int runOfficeLoad(const OfficeOptions& options, tools::ConsoleOutput& output)
{
    const HANDLE finish = startFinishListener();
    std::vector<std::unique_ptr<OfficeThread>> threads;
    for (int i = 0; i < options.threads; ++i) {
        ThreadSettings settings;
        settings.index = i;
        settings.singleThreadedApartment = i % 2 == 0;
        settings.calls = options.calls;
        settings.watched = options.watched;
        settings.contactSinks = options.contactSinks;
        settings.keepArrivals = options.arrivals;
        settings.seed = options.seed;
        settings.blockEvents = options.blockEvents;
        settings.checkAtFinish = options.check;
        threads.push_back(std::make_unique<OfficeThread>(settings, finish));
    }
    if (!waitForAll(threads, &OfficeThread::ready, readyTimeoutMs)) {
        output.line(L"soakoffice: problem the threads did not connect in time");
        TerminateProcess(GetCurrentProcess(), 2);
    }
    output.line(L"soakoffice: ready");
    waitForAll(threads, &OfficeThread::callsDone, INFINITE);
    output.line(L"soakoffice: calls done");
    std::vector<const ThreadResult*> results;
    int exitCode = 0;
    for (const auto& thread : threads) {
        const ThreadResult& result = thread->join();
        for (const std::wstring& retried : result.setupRetries) output.line(L"soakoffice: problem setup retried: " + retried);
        if (!result.setupProblem.empty()) {
            output.line(L"soakoffice: problem setup: " + result.setupProblem);
            exitCode = 2;
        }
        results.push_back(&result);
    }
    printFigures(output, options, results);
    return exitCode;
}

} // namespace soak
