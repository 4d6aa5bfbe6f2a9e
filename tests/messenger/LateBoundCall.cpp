#include "LateBoundCall.h"

#include <algorithm>

using extensionsutils::Variant;

DISPID dispatchIdOf(IDispatch* target, const wchar_t* name)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

LateBoundResult callByName(IDispatch* target, const wchar_t* name, WORD flags, std::vector<Variant> arguments)
{
    LateBoundResult result;
    const DISPID id = dispatchIdOf(target, name);
    if (id == DISPID_UNKNOWN) {
        result.hr = DISP_E_UNKNOWNNAME;
        return result;
    }
    std::reverse(arguments.begin(), arguments.end());
    std::vector<VARIANT> reversed;
    for (Variant& argument : arguments) reversed.push_back(*argument.get());

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
    result.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result.value.out(), &exception,
                               &argumentError);
    if (result.hr == DISP_E_EXCEPTION && FAILED(exception.scode)) result.hr = exception.scode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return result;
}
