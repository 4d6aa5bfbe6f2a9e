#pragma once

// Office's late binding: ask the object for the dual interface a member belongs to, then call that
// interface's IDispatch part by name, and turn the VARIANT result into the value the member declares,
// noting a wrong type.

#include "officesim/Answer.h"

#include "common/LateBoundCall.h"

#include <vector>

namespace officesim {

struct LateBoundResult {
    HRESULT hr = E_UNEXPECTED; // the member's result (the exception's code when Invoke reports one)
    extensionsutils::Variant value;
};

// `arguments` in natural order (first argument first).
LateBoundResult callByName(IUnknown* object, REFIID iid, const wchar_t* name, WORD flags,
                           const std::vector<extensionsutils::Variant>& arguments = {});

using tools::missingArgument; // an optional argument left out

Answer<Nothing> nothingFrom(const LateBoundResult& result);
Answer<std::wstring> stringFrom(const LateBoundResult& result);
Answer<long> longFrom(const LateBoundResult& result);
Answer<bool> boolFrom(const LateBoundResult& result);
// VT_DISPATCH or VT_UNKNOWN (asked for IDispatch); VT_EMPTY is "nothing written" (a null object).
Answer<Object> objectFrom(const LateBoundResult& result);
Answer<extensionsutils::Variant> variantFrom(const LateBoundResult& result);
// A one-dimensional array of VT_I4 (enumerations) in a VARIANT.
Answer<std::vector<long>> longsFrom(const LateBoundResult& result);

// The objects of a one-dimensional VT_ARRAY | VT_DISPATCH (or VT_UNKNOWN) VARIANT, each asked for IDispatch.
// The element type is taken from the VARIANT: Wine's marshaler hands such arrays over without the
// element-type flags that SafeArrayGetVartype reads. `problem` names what is wrong, if anything.
std::vector<Object> objectsIn(const extensionsutils::Variant& array, std::wstring& problem);

// The shape problem of a VARIANT_BOOL: empty for VARIANT_TRUE and VARIANT_FALSE.
std::wstring variantBoolProblem(VARIANT_BOOL value);

} // namespace officesim
