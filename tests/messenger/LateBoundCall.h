#pragma once

// Calls a member by name through IDispatch, as a late-bound Office or script caller does: the name is
// looked up with GetIDsOfNames, the arguments go in natural order (reversed into DISPPARAMS here), and a
// property put passes its value as the named DISPID_PROPERTYPUT argument.

#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oaidl.h>

#include <vector>

struct LateBoundResult {
    // What the member answered: Invoke's own result, or the member's failure, which the type library's
    // Invoke reports as DISP_E_EXCEPTION with the code in the exception information.
    HRESULT hr = E_UNEXPECTED;
    extensionsutils::Variant value;
};

LateBoundResult callByName(IDispatch* target, const wchar_t* name, WORD flags,
                           std::vector<extensionsutils::Variant> arguments = {});

// The dispatch identifier of a name, or DISPID_UNKNOWN.
DISPID dispatchIdOf(IDispatch* target, const wchar_t* name);
