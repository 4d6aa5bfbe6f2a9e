#include "common/LateBoundCall.h"

#include <algorithm>

namespace tools {

DISPID dispatchIdOf(IDispatch* object, const wchar_t* name)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

LateBoundResult callByName(IDispatch* object, const wchar_t* name, WORD flags,
                           const std::vector<extensionsutils::Variant>& arguments)
{
    LateBoundResult result;
    const DISPID id = dispatchIdOf(object, name);
    if (id == DISPID_UNKNOWN) {
        result.invoke = DISP_E_UNKNOWNNAME;
        result.member = DISP_E_UNKNOWNNAME;
        return result;
    }
    std::vector<VARIANT> reversed;
    for (const extensionsutils::Variant& argument : arguments) reversed.push_back(*argument.get()); // shallow: the owners stay
    std::reverse(reversed.begin(), reversed.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    result.invoke = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result.value.out(),
                                   &exception, &argumentError);
    result.member = result.invoke == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : result.invoke;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return result;
}

extensionsutils::Variant byReference(VARIANT* target)
{
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = target;
    return extensionsutils::Variant(reference); // copying a reference copies the pointer only
}

extensionsutils::Variant missingArgument()
{
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return extensionsutils::Variant(missing);
}

} // namespace tools
