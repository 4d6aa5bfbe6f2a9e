#pragma once

// One result of the provider doctor: what was looked at, what was found and, for a problem, how to mend it.

#include <string>

namespace doctor {

enum class Verdict {
    Ok,
    Note,    // worth knowing, not wrong
    Problem, // a reason why Office may show no presence
};

struct Finding {
    Verdict verdict = Verdict::Ok;
    std::wstring subject; // "DefaultIMApp", "IMessenger", ...
    std::wstring detail;
    std::wstring fix; // for problems

    static Finding ok(std::wstring subject, std::wstring detail)
    {
        return {Verdict::Ok, std::move(subject), std::move(detail), {}};
    }
    static Finding note(std::wstring subject, std::wstring detail)
    {
        return {Verdict::Note, std::move(subject), std::move(detail), {}};
    }
    static Finding problem(std::wstring subject, std::wstring detail, std::wstring fix)
    {
        return {Verdict::Problem, std::move(subject), std::move(detail), std::move(fix)};
    }
};

} // namespace doctor
