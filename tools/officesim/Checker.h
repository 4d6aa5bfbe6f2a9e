#pragma once

// How a session makes a call and judges its answer: each call runs under the hang watch, named as the
// report names it ("IMessenger.MyStatus"), and a failed expectation is one violation in the report.
//
// Main thread only.

#include "officesim/Answer.h"
#include "officesim/CallWatch.h"
#include "officesim/Names.h"
#include "officesim/Report.h"

#include <string>

namespace officesim {

class Checker {
public:
    Checker(Report& report, CallWatch& watch) : report_(report), watch_(watch) {}

    Report& report() { return report_; }

    // Runs the call under the hang watch; judges nothing.
    template <class Call>
    auto call(const std::wstring& name, Call&& makeCall) -> decltype(makeCall())
    {
        CallWatch::Scope scope(watch_, name);
        return makeCall();
    }

    // The call must succeed with a value of the declared shape.
    template <class Call>
    auto expectSuccess(const std::wstring& name, Call&& makeCall) -> decltype(makeCall())
    {
        auto answer = call(name, makeCall);
        judgeSuccess(name, answer);
        return answer;
    }

    // The same judgement of an answer already in hand; true when it succeeded.
    template <class T>
    bool judgeSuccess(const std::wstring& name, const Answer<T>& answer)
    {
        if (FAILED(answer.hr)) report_.violation(name, L"answered " + hresultText(answer.hr) + L", expected S_OK");
        else if (!answer.shapeProblem.empty()) report_.violation(name, answer.shapeProblem);
        else report_.passed(name, L"");
        return answer.succeeded();
    }

    // The call must answer exactly `expected` (the value's shape is checked only on success).
    template <class Call>
    auto expectResult(const std::wstring& name, HRESULT expected, Call&& makeCall) -> decltype(makeCall())
    {
        auto answer = call(name, makeCall);
        if (answer.hr != expected) {
            report_.violation(name, L"answered " + hresultText(answer.hr) + L", expected " + hresultText(expected));
        } else if (SUCCEEDED(answer.hr) && !answer.shapeProblem.empty()) {
            report_.violation(name, answer.shapeProblem);
        } else {
            report_.passed(name, hresultText(answer.hr));
        }
        return answer;
    }

    // A condition on an answer; false is a violation described by `what`.
    bool expect(bool condition, const std::wstring& name, const std::wstring& what)
    {
        if (condition) report_.passed(name, L"");
        else report_.violation(name, what);
        return condition;
    }

private:
    Report& report_;
    CallWatch& watch_;
};

} // namespace officesim
