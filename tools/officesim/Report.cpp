#include "officesim/Report.h"

#include "officesim/Names.h"

#include <algorithm>
#include <cwchar>

namespace officesim {

namespace {

const std::size_t maxCellWidth = 30;

std::wstring statusCell(const std::optional<long>& status)
{
    return status ? statusName(*status) : L"-";
}

std::wstring availabilityCell(const std::optional<long>& availability)
{
    return availability ? std::to_wstring(*availability) + L" " + availabilityName(*availability) : L"-";
}

std::wstring orDash(const std::wstring& text)
{
    return text.empty() ? L"-" : text;
}

void fillIn(std::wstring& field, const std::wstring& value)
{
    if (!value.empty()) field = value;
}

} // namespace

Report::Report(tools::ConsoleOutput& output, bool verbose) : output_(output), verbose_(verbose) {}

void Report::line(const std::wstring& text)
{
    output_.line(L"officesim: " + text);
}

void Report::section(const std::wstring& title)
{
    line(L"== " + title);
}

void Report::step(const std::wstring& text)
{
    line(L"  " + text);
}

void Report::passed(const std::wstring& call, const std::wstring& detail)
{
    ++checks_;
    if (verbose_) line(L"  ok " + call + (detail.empty() ? L"" : L": " + detail));
}

void Report::violation(const std::wstring& call, const std::wstring& what)
{
    ++checks_;
    ++violations_;
    const std::wstring text = call + L": " + what;
    violationTexts_.push_back(text);
    line(L"VIOLATION: " + text);
}

void Report::event(ULONGLONG msSinceStart, const std::wstring& text)
{
    wchar_t time[32] = {};
    std::swprintf(time, 32, L"+%llu.%03llus", msSinceStart / 1000, msSinceStart % 1000);
    const std::wstring entry = std::wstring(time) + L" " + text;
    events_.push_back(entry);
    line(L"event " + entry);
}

void Report::person(const PersonRow& row)
{
    auto known = std::find_if(people_.begin(), people_.end(),
                              [&](const PersonRow& person) { return person.signinName == row.signinName; });
    if (known == people_.end()) {
        people_.push_back(row);
        return;
    }
    fillIn(known->name, row.name);
    known->self = known->self || row.self;
    if (row.status) known->status = row.status;
    if (row.availability) known->availability = row.availability;
    fillIn(known->activity, row.activity);
    fillIn(known->work, row.work);
    fillIn(known->mobile, row.mobile);
    fillIn(known->home, row.home);
    fillIn(known->other, row.other);
}

void Report::printPeople()
{
    if (people_.empty()) return;
    std::vector<std::vector<std::wstring>> rows = {
        {L"Name", L"Sign-in name", L"Status", L"Availability", L"Activity", L"Work", L"Mobile", L"Home", L"Other"}};
    for (const PersonRow& person : people_) {
        rows.push_back({orDash(person.name) + (person.self ? L" (you)" : L""), person.signinName,
                        statusCell(person.status), availabilityCell(person.availability), orDash(person.activity),
                        orDash(person.work), orDash(person.mobile), orDash(person.home), orDash(person.other)});
    }
    line(L"People as Office shows them (" + std::to_wstring(people_.size()) + L"):");
    for (const std::wstring& text : formatTable(rows, maxCellWidth)) step(text);
}

void Report::printSummary()
{
    printPeople();
    line(L"Events seen (" + std::to_wstring(events_.size()) + L"):");
    for (const std::wstring& entry : events_) step(entry);
    if (events_.empty()) step(L"none");
    line(std::to_wstring(checks_) + L" checks, " + std::to_wstring(violations_) + L" contract violation" +
         (violations_ == 1 ? L"" : L"s"));
    for (const std::wstring& text : violationTexts_) step(L"VIOLATION: " + text);
}

std::vector<std::wstring> formatTable(const std::vector<std::vector<std::wstring>>& rows, std::size_t maxWidth)
{
    std::vector<std::vector<std::wstring>> cells = rows;
    std::vector<std::size_t> widths;
    for (std::vector<std::wstring>& row : cells) {
        if (row.size() > widths.size()) widths.resize(row.size(), 0);
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (row[column].size() > maxWidth) row[column] = row[column].substr(0, maxWidth - 3) + L"...";
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::vector<std::wstring> lines;
    for (const std::vector<std::wstring>& row : cells) {
        std::wstring text;
        for (std::size_t column = 0; column < row.size(); ++column) {
            text += row[column];
            if (column + 1 < row.size()) text += std::wstring(widths[column] - row[column].size() + 2, L' ');
        }
        lines.push_back(text);
    }
    return lines;
}

} // namespace officesim
