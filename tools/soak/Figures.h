#pragma once

// A scenario's figures and its verdict. Each figure is printed at once as one line of the table that
// scripts/soak gathers:
//   soak: figure | <scenario> | <what> | <value> | <held when> | ok|FAIL|info
// and the scenario ends with "soak: scenario <name> held" or "soak: scenario <name> failed".
//
// Used on the scenario's thread.

#include "common/ConsoleOutput.h"

#include <string>

namespace soak {

class Figures {
public:
    Figures(const std::wstring& scenario, tools::ConsoleOutput& output) : scenario_(scenario), output_(output) {}

    void exactly(const std::wstring& what, long long value, long long expected);
    void atMost(const std::wstring& what, long long value, long long limit);
    void atLeast(const std::wstring& what, long long value, long long least);
    void check(const std::wstring& what, const std::wstring& value, bool held, const std::wstring& heldWhen);
    // Measured, not judged.
    void info(const std::wstring& what, const std::wstring& value);
    // A failure that has no figure (could not run a step); the scenario fails.
    void fail(const std::wstring& what);

    bool held() const { return held_; }
    // Prints the verdict line; true when held.
    bool verdict();

private:
    void print(const std::wstring& what, const std::wstring& value, const std::wstring& heldWhen, const wchar_t* mark);

    const std::wstring scenario_;
    tools::ConsoleOutput& output_;
    bool held_ = true;
};

} // namespace soak
