#pragma once

// Calls a member of an object the way a script or Office's late binding does: by name through
// GetIDsOfNames, then Invoke with the arguments reversed into DISPPARAMS; a property put passes its value
// as the named DISPID_PROPERTYPUT argument.

#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

struct LateBoundResult {
    HRESULT invoke = E_UNEXPECTED;  // what Invoke answered
    HRESULT member = E_UNEXPECTED;  // what the member answered (the exception's code when Invoke reports one)
    extensionsutils::Variant value; // the result
};

// The dispatch identifier of `name`, or DISPID_UNKNOWN when GetIDsOfNames fails.
DISPID dispatchIdOf(IDispatch* object, const wchar_t* name);

// `arguments` in natural order (first argument first).
LateBoundResult callByName(IDispatch* object, const wchar_t* name, WORD flags,
                           const std::vector<extensionsutils::Variant>& arguments = {});

// A VT_BYREF | VT_VARIANT argument for an [out] VARIANT parameter.
extensionsutils::Variant byReference(VARIANT* target);
