#include "IUCOfficeIntegration/values/UCCLocaleString.h"

#include <utility>

UCCLocaleString::UCCLocaleString(std::wstring text)
    : value(std::move(text))
{
}

void UCCLocaleString::setValue(const std::wstring& text)
{
    vorn::ExclusiveGuard guard(lock);
    value = text;
}

HRESULT UCCLocaleString::get_Value(BSTR* text)
{
    vorn::SharedGuard guard(lock);
    return answerString(value, text);
}
