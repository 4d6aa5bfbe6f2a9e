#pragma once

// What officesim tells its reader: progress as it happens ("officesim: ..." lines), every contract
// violation at once ("officesim: VIOLATION: <call>: <what>"), the events as they arrive, and at the end the
// people as Office shows them, the events seen and the count of checks and violations.
//
// Main thread only, except line(), which any thread may call.

#include "common/ConsoleOutput.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace officesim {

// One person as Office shows them; the Messenger API and the UC API each fill what they know.
struct PersonRow {
    std::wstring signinName; // without "sip:"
    std::wstring name;
    bool self = false;
    std::optional<long> status;       // MISTATUS (Office 2010)
    std::optional<long> availability; // ContactAvailability (Office 2013/2016)
    std::wstring activity;            // the presence text
    std::wstring work, mobile, home, other;
};

class Report {
public:
    Report(tools::ConsoleOutput& output, bool verbose);

    void line(const std::wstring& text);    // "officesim: " + text
    void section(const std::wstring& title); // "officesim: == " + title
    void step(const std::wstring& text);    // "officesim:   " + text

    void passed(const std::wstring& call, const std::wstring& detail); // printed only when verbose
    void violation(const std::wstring& call, const std::wstring& what);
    void event(ULONGLONG msSinceStart, const std::wstring& text);

    // Adds the person, or fills in what the row knows and the earlier one did not.
    void person(const PersonRow& row);
    const std::vector<PersonRow>& people() const { return people_; }

    // The people table, the events seen and the counts.
    void printSummary();

    int checks() const { return checks_; }
    int violations() const { return violations_; }
    const std::vector<std::wstring>& violationTexts() const { return violationTexts_; }

private:
    void printPeople();

    tools::ConsoleOutput& output_;
    const bool verbose_;
    int checks_ = 0;
    int violations_ = 0;
    std::vector<std::wstring> violationTexts_;
    std::vector<PersonRow> people_;
    std::vector<std::wstring> events_;
};

// Columns padded to their widest cell (counted in UTF-16 units), separated by two blanks; cells longer than
// maxWidth are cut with "...". The first row is the header.
std::vector<std::wstring> formatTable(const std::vector<std::vector<std::wstring>>& rows, std::size_t maxWidth);

} // namespace officesim
