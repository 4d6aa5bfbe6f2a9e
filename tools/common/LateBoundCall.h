#pragma once

// A member called the way a script or Office's late binding calls it: by name through GetIDsOfNames, then
// Invoke with the arguments reversed into DISPPARAMS; a property put passes its value as the named
// DISPID_PROPERTYPUT argument.

#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace tools {

struct LateBoundResult {
    HRESULT invoke = E_UNEXPECTED;  // what Invoke answered
    HRESULT member = E_UNEXPECTED;  // what the member answered (the exception's code when Invoke reports one)
    extensionsutils::Variant value; // the result
};

// The dispatch identifier of `name`, or DISPID_UNKNOWN when GetIDsOfNames fails.
DISPID dispatchIdOf(IDispatch* object, const wchar_t* name);

// `arguments` in natural order (first argument first). An unknown name answers DISP_E_UNKNOWNNAME.
LateBoundResult callByName(IDispatch* object, const wchar_t* name, WORD flags,
                           const std::vector<extensionsutils::Variant>& arguments = {});

// A VT_BYREF | VT_VARIANT argument for an [out] VARIANT parameter.
extensionsutils::Variant byReference(VARIANT* target);

// An optional argument left out (VT_ERROR, DISP_E_PARAMNOTFOUND).
extensionsutils::Variant missingArgument();

} // namespace tools
