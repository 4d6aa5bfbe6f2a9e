#pragma once

// What one call of Office's answered, whichever way it was made (virtual table or late-bound): the member's
// HRESULT, the value it handed back, and what was wrong with the value's shape when it came back as the
// wrong VARIANT type (late-bound calls only; a typed call cannot answer the wrong type).

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace officesim {

using Object = extensionsutils::ComPtr<IDispatch>;

struct Nothing {
};

template <class T>
struct Answer {
    HRESULT hr = E_UNEXPECTED;
    T value{};
    std::wstring shapeProblem; // empty when the value came back as the member declares it

    bool succeeded() const { return SUCCEEDED(hr) && shapeProblem.empty(); }
};

template <class T>
Answer<T> answerOf(HRESULT hr, T value = T())
{
    Answer<T> answer;
    answer.hr = hr;
    answer.value = std::move(value);
    return answer;
}

// Runs `call` on the object's interface I (a typed call); a refused QueryInterface is the answer.
template <class I, class T, class Call>
Answer<T> onInterface(IUnknown* object, REFIID iid, Call&& call)
{
    extensionsutils::ComPtr<I> typed;
    const HRESULT asked = object ? object->QueryInterface(iid, reinterpret_cast<void**>(typed.out())) : E_POINTER;
    if (FAILED(asked)) return answerOf(asked, T());
    return call(typed.get());
}

// Old and new state of the UC client, as one state-change event's data holds them.
struct StateChange {
    long oldState = -1;
    long newState = -1;
};

} // namespace officesim
